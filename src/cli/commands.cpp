#include "cli/commands.h"

#include <iostream>

#include <CLI/CLI.hpp>

namespace tem::cli {

int Run(int argc, char** argv)
{
    CLI::App app{"TEM Setrix command line"};
    app.require_subcommand(1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : 2;
    }
    return 0;
}

}  // namespace tem::cli
