#include "convert/storage.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/com_ptr.h"
#include "platform/text.h"

namespace ferrule {

using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::E_POINTER;
using platform::S_OK;

namespace {

thread_local std::uint32_t t_gsfComplaints = 0;
thread_local std::uint32_t t_scopeDepth = 0;

// Inside a conversion, libgsf's complaints are counted; outside one (another user of libgsf
// in the same process) they go where they would have gone without us.
void CountGsfComplaint(const gchar* domain, GLogLevelFlags level, const gchar* message,
                       gpointer data)
{
    if (t_scopeDepth == 0) {
        g_log_default_handler(domain, level, message, data);
        return;
    }
    ++t_gsfComplaints;
}

// Removes the handlers when the library is unloaded, so that libgsf never calls into
// code that is gone.
struct GsfLogHandlers {
    // Some of libgsf's warnings carry no domain at all.
    std::array<const char*, 3> domains{"libgsf:msole", "libgsf", nullptr};
    std::array<guint, 3> ids{};
    bool installed = false;

    void Install()
    {
        const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                                        G_LOG_LEVEL_MESSAGE);
        for (std::size_t i = 0; i < domains.size(); ++i) {
            ids[i] = g_log_set_handler(domains[i], levels, CountGsfComplaint, nullptr);
        }
        installed = true;
    }
    ~GsfLogHandlers()
    {
        if (installed) {
            for (std::size_t i = 0; i < domains.size(); ++i) {
                g_log_remove_handler(domains[i], ids[i]);
            }
        }
    }
};

GsfLogHandlers g_gsfLogHandlers;
std::once_flag g_gsfLogOnce;

std::string UpperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return text;
}

constexpr std::array<std::uint8_t, 8> kCompoundFileSignature{0xD0, 0xCF, 0x11, 0xE0,
                                                             0xA1, 0xB1, 0x1A, 0xE1};

} // namespace

void InstallGsfLogHandler()
{
    std::call_once(g_gsfLogOnce, [] { g_gsfLogHandlers.Install(); });
}

GsfLogScope::GsfLogScope()
{
    InstallGsfLogHandler();
    ++t_scopeDepth;
}

GsfLogScope::~GsfLogScope() { --t_scopeDepth; }

StorageDirectory::StorageDirectory(GsfInfile* storage)
{
    const int count = storage ? gsf_infile_num_children(storage) : -1;
    for (int i = 0; i < count; ++i) {
        const char* name = gsf_infile_name_by_index(storage, i);
        if (name) {
            m_entries.emplace(UpperCase(name), i);
        }
    }
}

int StorageDirectory::Find(const std::string& name) const
{
    const auto found = m_entries.find(UpperCase(name));
    return found == m_entries.end() ? -1 : found->second;
}

bool IsStream(GsfInput* child)
{
    return child && (!GSF_IS_INFILE(child) || gsf_infile_num_children(GSF_INFILE(child)) == -1);
}

GPtr<GsfInput> OpenStreamChild(GsfInfile* storage, int index)
{
    if (!storage || index < 0) {
        return {};
    }
    GPtr<GsfInput> child(gsf_infile_child_by_index(storage, index));
    if (!IsStream(child.get())) {
        return {};
    }
    return child;
}

GPtr<GsfInfile> OpenStorageChild(GsfInfile* storage, int index)
{
    if (!storage || index < 0) {
        return {};
    }
    GPtr<GsfInput> child(gsf_infile_child_by_index(storage, index));
    if (!child || IsStream(child.get())) {
        return {};
    }
    return GPtr<GsfInfile>(GSF_INFILE(child.release()));
}

StatusCode ReadExact(GsfInput* stream, std::uint8_t* buffer, std::size_t count)
{
    if (count == 0) {
        return S_OK;
    }
    if (!stream || !buffer) {
        return E_POINTER;
    }
    if (static_cast<std::uint64_t>(gsf_input_remaining(stream)) < count) {
        return E_FAIL;
    }
    // libgsf complains (and may hand back stale bytes) when a sector chain is broken.
    const std::uint32_t complaints = t_gsfComplaints;
    if (!gsf_input_read(stream, count, buffer) || t_gsfComplaints != complaints) {
        return E_FAIL;
    }
    return S_OK;
}

StatusCode ReadWholeStream(GsfInput* stream, std::size_t limit, std::vector<std::uint8_t>* bytes)
{
    if (!stream || !bytes) {
        return E_POINTER;
    }
    const gsf_off_t size = gsf_input_size(stream);
    if (size < 0 || static_cast<std::uint64_t>(size) > limit) {
        return E_FAIL;
    }
    if (const StatusCode status = SeekStream(stream, 0); platform::Failed(status)) {
        return status;
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    if (const StatusCode status = ReadExact(stream, data.data(), data.size()); platform::Failed(status)) {
        return status;
    }
    *bytes = std::move(data);
    return S_OK;
}

StatusCode SeekStream(GsfInput* stream, std::uint64_t offset)
{
    if (!stream) {
        return E_POINTER;
    }
    if (offset > static_cast<std::uint64_t>(gsf_input_size(stream))) {
        return E_FAIL;
    }
    // gsf_input_seek reports TRUE on failure.
    return gsf_input_seek(stream, static_cast<gsf_off_t>(offset), G_SEEK_SET) ? E_FAIL : S_OK;
}

platform::ComPtr<Storage> Storage::Create(GPtr<GsfInfile> root)
{
    return platform::ComPtr<Storage>::Adopt(new Storage(std::move(root)));
}


StatusCode StgOpenStorage(const char16_t* name, Storage* priority, std::uint32_t mode,
                          char16_t** exclude, std::uint32_t reserved, Storage** storage)
{
    if (!storage) {
        return E_POINTER;
    }
    *storage = nullptr;
    if (!name || priority || exclude || reserved != 0) {
        return E_INVALIDARG;
    }
    if ((mode & (platform::STGM_WRITE | platform::STGM_READWRITE | platform::STGM_CREATE)) != 0) {
        return STG_E_INVALIDFLAG;
    }
    InstallGsfLogHandler();
    const std::string path = platform::Utf16ToUtf8Lossless(name);

    // Tell "not a compound file" from "damaged compound file" by the signature.
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (!file) {
        return platform::StatusFromErrno();
    }
    std::array<std::uint8_t, 8> signature{};
    const std::size_t got = std::fread(signature.data(), 1, signature.size(), file);
    std::fclose(file);
    if (got != signature.size() || signature != kCompoundFileSignature) {
        return STG_E_FILEALREADYEXISTS;
    }

    GError* error = nullptr;
    GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &error));
    if (!input) {
        if (error) {
            g_error_free(error);
        }
        return platform::StatusFromErrno();
    }
    GPtr<GsfInfile> root(gsf_infile_msole_new(input.get(), &error));
    if (error) {
        g_error_free(error);
    }
    if (!root) {
        return STG_E_DOCFILECORRUPT;
    }
    *storage = Storage::Create(std::move(root)).Detach();
    return S_OK;
}

} // namespace ferrule
