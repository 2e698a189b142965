// korvelctl: the operators' and tests' command-line tool.

#include <iostream>
#include <string>
#include <vector>

namespace {

int Usage()
{
    std::cerr << "usage: korvelctl <command> ...\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage();
    return Usage();
}
