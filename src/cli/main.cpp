#include "cli/commands.h"

int main(int argc, char** argv)
{
    return tem::cli::Run(argc, argv);
}
