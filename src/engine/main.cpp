// temsetrix-engine "MODEL" "CONTROL": the built-in TEM forward engine, on the command line of the
// external engine it stands in for.
#include <cstdio>
#include <exception>
#include <iostream>

#include "engine/run.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cout << "Usage: temsetrix-engine \"MODEL\" \"CONTROL\"" << std::endl;
        return 2;
    }
    try {
        tem::engine::RunArguments arguments;
        arguments.model_file = argv[1];
        arguments.control_file = argv[2];
        return tem::engine::RunEngine(arguments, std::cout);
    } catch (const std::exception& e) {
        std::cout << "temsetrix-engine stopped: " << e.what() << std::endl;
        return 2;
    }
}
