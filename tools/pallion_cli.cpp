// pallion-cli: starts like the viewer (application context, stream server, dictionary),
// runs one command and shuts down.
#include <iostream>

#include "tools/cli.h"
#include "viewer/doc/app/app_context.h"

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    viewer::doc::app::AppContextScope scope;
    viewer::doc::app::StartUp(&scope.Context());
    int status = tools::kExitFailure;
    try {
        status = tools::RunCli(argc, argv, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "pallion-cli: out of memory\n";
    }
    std::cout.flush();
    viewer::doc::app::ShutDown(&scope.Context());
    return status;
}
