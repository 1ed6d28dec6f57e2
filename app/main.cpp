// Zorvane Quibbleon: start-up, the title screen's menu, shut-down.
#include "app/app.h"

int main(int argc, char **argv)
{
    int status = StartUp(argc > 0 ? argv[0] : NULL);
    if (status != 0) {
        return status;
    }
    MainMenu();
    ShutDown();
    return 0;
}
END_OF_MAIN()
