// pallion-cli: starts like the viewer (application context, stream server, dictionary),
// runs one command and shuts down.
#include <cerrno>
#include <csignal>
#include <iostream>
#include <unistd.h>

#include "tools/cli.h"
#include "tools/cli_output.h"
#include "viewer/doc/app/app_context.h"

int main(int argc, char** argv)
{
    // A closed pipe is a failed write like any other (EPIPE), not a signal that ends the
    // program before it has cleaned up.
    std::signal(SIGPIPE, SIG_IGN);
    tools::FdOutputBuffer buffer(STDOUT_FILENO);
    std::ostream out(&buffer);
    viewer::doc::app::AppContextScope scope;
    viewer::doc::app::StartUp(&scope.Context());
    int status = tools::kExitFailure;
    try {
        status = tools::RunCli(argc, argv, out, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "pallion-cli: out of memory\n";
    }
    out.flush();
    viewer::doc::app::ShutDown(&scope.Context());
    // What could not be written is a failure; a reader that went away wants no message.
    if (platform::Failed(buffer.Status()) && status != tools::kExitUsage) {
        if (buffer.Status() != platform::StatusFromError(EPIPE)) {
            std::cerr << "pallion-cli: cannot write the output: " << tools::Because(buffer.Status())
                      << "\n";
        }
        status = tools::kExitFailure;
    }
    return status;
}
