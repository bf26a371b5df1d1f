#include "convert/object_data.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "convert/storage.h"

namespace ferrule {

using platform::E_FAIL;
using platform::E_POINTER;
using platform::S_OK;

namespace {

constexpr std::size_t kCopyChunk = 64 * 1024;

StatusCode CopyStream(GsfInput* from, GsfOutput* to, std::vector<std::uint8_t>& chunk)
{
    const gsf_off_t size = gsf_input_size(from);
    if (size < 0 || platform::Failed(SeekStream(from, 0))) {
        return E_FAIL;
    }
    auto left = static_cast<std::uint64_t>(size);
    while (left > 0) {
        const std::size_t piece = left < chunk.size() ? static_cast<std::size_t>(left) : chunk.size();
        if (const StatusCode status = ReadExact(from, chunk.data(), piece); platform::Failed(status)) {
            return status;
        }
        if (!gsf_output_write(to, piece, chunk.data())) {
            return E_FAIL;
        }
        left -= piece;
    }
    return S_OK;
}

void CopyClassId(GsfInfile* from, GsfOutfile* to)
{
    guint8 clsid[16] = {};
    if (GSF_IS_INFILE_MSOLE(from) && GSF_IS_OUTFILE_MSOLE(to) &&
        gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(from), clsid)) {
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(to), clsid);
    }
}

StatusCode CopyStorage(GsfInfile* from, GsfOutfile* to, unsigned depth,
                       std::vector<std::uint8_t>& chunk)
{
    CopyClassId(from, to);
    const int count = gsf_infile_num_children(from);
    for (int i = 0; i < count; ++i) {
        const char* name = gsf_infile_name_by_index(from, i);
        GPtr<GsfInput> child(gsf_infile_child_by_index(from, i));
        if (!name || !child) {
            return E_FAIL;
        }
        const bool stream = IsStream(child.get());
        if (!stream && depth + 1 > kMaxStorageDepth) {
            continue;
        }
        GPtr<GsfOutput> out(gsf_outfile_new_child(to, name, stream ? FALSE : TRUE));
        if (!out) {
            return E_FAIL;
        }
        StatusCode status = stream ? CopyStream(child.get(), out.get(), chunk)
                                   : CopyStorage(GSF_INFILE(child.get()), GSF_OUTFILE(out.get()),
                                                 depth + 1, chunk);
        if (!gsf_output_close(out.get()) && platform::Succeeded(status)) {
            status = E_FAIL;
        }
        if (platform::Failed(status)) {
            return status;
        }
    }
    return S_OK;
}

} // namespace

StatusCode CreateObjectTempFile(platform::TempFile* file)
{
    if (!file) {
        return E_POINTER;
    }
    std::string path;
    if (const StatusCode status = platform::CreateUniqueTempFile("tnf", &path); platform::Failed(status)) {
        return status;
    }
    *file = platform::TempFile(std::move(path));
    return S_OK;
}

StatusCode WriteStorageFile(GsfInfile* source, const std::string& path)
{
    if (!source) {
        return E_POINTER;
    }
    std::FILE* file = std::fopen(path.c_str(), "wbe");
    if (!file) {
        return platform::StatusFromErrno();
    }
    // The output owns the FILE from here on and closes it with itself.
    GPtr<GsfOutput> sink(gsf_output_stdio_new_FILE(path.c_str(), file, FALSE));
    if (!sink) {
        std::fclose(file);
        return E_FAIL;
    }
    GPtr<GsfOutfile> root(gsf_outfile_msole_new(sink.get()));
    if (!root) {
        return E_FAIL;
    }
    std::vector<std::uint8_t> chunk(kCopyChunk);
    StatusCode status = CopyStorage(source, root.get(), 0, chunk);
    if (!gsf_output_close(GSF_OUTPUT(root.get())) && platform::Succeeded(status)) {
        status = E_FAIL;
    }
    if (!gsf_output_is_closed(sink.get()) && !gsf_output_close(sink.get()) && platform::Succeeded(status)) {
        status = E_FAIL;
    }
    return status;
}

} // namespace ferrule
