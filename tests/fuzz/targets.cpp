// The fuzz targets, one per reader; each build of this file is one target,
// chosen by ZQ_FUZZ_TARGET (see CMakeLists.txt).
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "fuzz/fuzz_support.h"
#include "support/packfile_helpers.h"

// The JGM reader, and its writer on what it read: a module that loads, once
// saved, must load again and save to the same bytes; a refusal says why.
[[maybe_unused]] static void fuzz_jgm(JGMOD_READER *r)
{
    jgmod_error[0] = 0;
    JGMOD *j = load_jgm_from(r);
    if (j == NULL && jgmod_error[0] == 0)
        abort();
    MemoryPackfile first, second;
    auto save = [](JGMOD *module, MemoryPackfile *out) {
        PACKFILE *f = out->open();
        int result = save_jgm(f, module);
        pack_fclose(f);
        return result == 1;
    };
    if (j != NULL && save(j, &first)) {
        JGMOD_READER again_reader;
        reader_wrap(&again_reader, first.bytes().data(), (long long)first.bytes().size());
        JGMOD *again = load_jgm_from(&again_reader);
        if (again == NULL || !save(again, &second) || second.bytes() != first.bytes())
            abort();
        destroy_mod(again);
    }
    fuzz_play(j, false);
}

[[maybe_unused]] static void fuzz_mod(JGMOD_READER *r)
{
    for (int samples : {31, 15}) {
        JGMOD_READER fresh = *r;
        fuzz_play(load_m_from(&fresh, samples));
    }
}

// Every enabled channel kept, then only the used ones.
[[maybe_unused]] static void fuzz_s3m(JGMOD_READER *r)
{
    for (int fast : {-1, 0}) {
        fast_loading = fast;
        JGMOD_READER fresh = *r;
        fuzz_play(load_s3m_from(&fresh, 0));
    }
    fast_loading = -1;
}

[[maybe_unused]] static void fuzz_xm(JGMOD_READER *r)
{
    fuzz_play(load_xm_from(r, 0));
}

// IT recognition and the package searches, with the information each gives.
[[maybe_unused]] static void fuzz_detect(JGMOD_READER *r)
{
    const struct { const char *tag; int type; } searches[] = {
        {"IMPM", UNREAL_IT_TYPE}, {"Extended Module: ", UNREAL_XM_TYPE}, {"SCRM", UNREAL_S3M_TYPE}};
    MODULE_INFO info;
    for (const auto &search : searches) {
        int offset = find_in_package(r, search.tag, (int)strlen(search.tag));
        if (offset > r->size)
            abort();
        if (offset > 0)
            import_info_from(r, module_format(search.type), offset, &info);
    }
    if (find_it(r) == 0)
        import_info_from(r, module_format(IT_TYPE), 0, &info);
}

// The dispatcher's choice, then that format's information and reader (IT
// is left out: it only prints its name and refuses).
[[maybe_unused]] static void fuzz_dispatch(JGMOD_READER *r)
{
    enable_m15 = -1;
    int offset = 0;
    const MODULE_FORMAT *format = find_module_format(r, &offset);
    if (format == NULL || format->type == IT_TYPE || format->type == UNREAL_IT_TYPE)
        return;
    MODULE_INFO info;
    import_info_from(r, format, offset, &info);
    fuzz_play(format->load(r, offset), format->type != JGM_TYPE);
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    JGMOD_READER r = fuzz_reader(data, size);
    ZQ_FUZZ_TARGET(&r);
    return 0;
}
