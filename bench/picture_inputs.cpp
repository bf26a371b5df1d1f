#include "picture_inputs.h"

#include <cstdio>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

#include "bench_support.h"
#include "tests/viewer/render/ole/ole_fixtures.h"
#include "tests/viewer/render/picture_builders.h"
#include "viewer/render/metafile/wmf_records.h"
#include "viewer/render/ole/ole_object.h"

namespace bench_pictures {

using namespace viewer::render;
using namespace viewer::render::metafile::wmf;
using testing_support::DibBuilder;
using testing_support::WmfBuilder;
using testing_support::WmfParams;

std::vector<std::uint8_t> Rendering(std::size_t& records)
{
    WmfBuilder wmf;
    wmf.Record(META_SETMAPMODE, {MM_ANISOTROPIC})
        .Pair(META_SETWINDOWEXT, 400, 300)
        .Pair(META_SETVIEWPORTEXT, 400, 300);
    const auto mask = DibBuilder(32, 32, 1).Colours({0, 0xFFFFFF}).Bytes();
    const auto image = DibBuilder(32, 32, 24).Bytes();
    wmf.Record(META_DIBSTRETCHBLT,
               WmfParams().D(SRCAND).W(32).W(32).W(0).W(0).W(32).W(32).W(0).W(0).Raw(mask));
    wmf.Record(META_DIBSTRETCHBLT,
               WmfParams().D(SRCINVERT).W(32).W(32).W(0).W(0).W(32).W(32).W(0).W(0).Raw(image));
    std::vector<std::uint8_t> face(32, 0);
    face[0] = 'A';
    wmf.Record(META_CREATEFONTINDIRECT,
               WmfParams{-11, 0, 0, 0, 400}.Raw({0, 0, 0, 0, 0, 0, 0, 0}).Raw(face));
    wmf.Record(META_SELECTOBJECT, {0});
    wmf.Record(META_CREATEPENINDIRECT, WmfParams{0, 1, 0}.Colour(0x336699));
    wmf.Record(META_SELECTOBJECT, {1});
    records = 10;
    for (int i = 0; wmf.Bytes().size() + 64 < kRenderingBytes; ++i) {
        const int y = i % 280;
        switch (i % 4) {
        case 0:
            wmf.Box(META_RECTANGLE, i % 300, y, i % 300 + 40, y + 12);
            break;
        case 1:
            wmf.Pair(META_MOVETO, 0, y).Pair(META_LINETO, 200, y).Pair(META_LINETO, 200, y + 5);
            records += 2;
            break;
        case 2:
            wmf.Record(META_EXTTEXTOUT, WmfParams{y, 10, 12, 0}
                                            .Text("quarterly up")
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6)
                                            .W(6));
            break;
        default:
            wmf.Record(META_POLYGON, {4, 0, y, 10, y, 10, y + 10, 0, y + 10});
            break;
        }
        ++records;
    }
    return wmf.Bytes();
}

const std::string& LargeObject()
{
    static bench_support::ScratchFile file("large-object.ole");
    static const bool written = [] {
        const pid_t child = ::fork();
        if (child == 0) {
            testing_support::StorageTree tree;
            tree.clsid = ole::CLSID_Package;
            std::vector<std::uint8_t> data(kObjectBytes);
            std::uint32_t seed = 7;
            for (std::uint8_t& byte : data) {
                seed = seed * 1664525u + 1013904223u;
                byte = static_cast<std::uint8_t>(seed >> 24);
            }
            tree.streams["\001Ole10Native"] =
                testing_support::PackageStream("large.bin", "C:\\T\\LARGE.BIN", data);
            std::size_t records = 0;
            tree.streams["\002OlePres000"] = testing_support::PresentationStream(
                ole::CF_METAFILEPICT, ole::DVASPECT_ICON, 2699, 1746, Rendering(records));
            ::_exit(testing_support::WriteStorageFile(file.Path(), tree) ? 0 : 1);
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "cannot write %s\n", file.Path().c_str());
            std::exit(1);
        }
        return true;
    }();
    static_cast<void>(written);
    return file.Path();
}

} // namespace bench_pictures
