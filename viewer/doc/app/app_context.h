// AppContext: what the application object holds for the rest of the program (the binding
// of the conversion library, the dictionary handle, the last opened path, the started flag),
// reached through one accessor. Whoever starts the process (the command-line tool, the
// desktop application) creates it with an AppContextScope, starts it up and shuts it down.
#pragma once

#include <cstdint>
#include <string>

#include "convert/include/ferrule.h"
#include "dictionary/include/tagora.h"
#include "platform/library.h"
#include "platform/status.h"

namespace viewer::doc::app {

using platform::StatusCode;

// The run-time binding of the conversion library: its three entry points and the library.
struct FerruleBinding {
    InitFerruleFn initFerrule = nullptr;
    CloseFerruleFn closeFerrule = nullptr;
    MsgTNEFFn msgTnef = nullptr;
    platform::Library module;

    bool IsLoaded() const { return module.Loaded(); }
};

// The file name the conversion library is loaded by.
inline constexpr const char* kFerruleLibraryName = "libferrule.so";
// The file name of the stream server library.
inline constexpr const char* kRillexLibraryName = "librillex.so";
// The ProgID of the file stream object.
inline constexpr const char* kStreamProgId = "corvane.rillex";

// Unloads any previous binding, loads the library by name, binds the three entry points and
// initialises it. A library that cannot be loaded gives the platform's module-not-found
// status, a missing entry point 0x8000FFFF; a failing initialisation unloads it again, so
// the next attempt starts afresh.
[[nodiscard]] StatusCode LoadFerrule(FerruleBinding* binding);
// Closes and unloads a loaded binding; empties it in every case.
void UnloadFerrule(FerruleBinding* binding);
// Converts a message file; `target` is a FERRULE_PATH_BUFFER_SIZE buffer. Not loaded: 0x8000FFFF.
[[nodiscard]] StatusCode ConvertMessageFile(FerruleBinding* binding, const char* source,
                                            char* target);

class AppContext {
public:
    FerruleBinding m_ferrule;
    std::string m_lastOpenedPath;
    TagoraHandle m_dictionary = nullptr;
    bool m_started = false;
};

// The process's application context; null when none was created.
AppContext* TheApp();

// Creates the application context for the lifetime of the scope.
class AppContextScope {
public:
    AppContextScope();
    ~AppContextScope();
    AppContextScope(const AppContextScope&) = delete;
    AppContextScope& operator=(const AppContextScope&) = delete;
    AppContext& Context() { return m_context; }

private:
    AppContext m_context;
    AppContext* m_previous;
};

// Start-up as the viewer does it: remove the private temporary folders of this user's
// processes that were killed, make sure the stream server is registered, set the started
// flag, open the property-name dictionary (no dictionary: tags show as numbers).
void StartUp(AppContext* context);
// Shut-down: unload the conversion library and close the dictionary.
void ShutDown(AppContext* context);

// Makes sure the stream server is registered and is the library this program would load:
// when the object cannot be created, or the registered server is another file, the server
// library is loaded by name and its registration entry point called. Nothing is reported.
void RegisterStreamServer();

} // namespace viewer::doc::app
