#include <string>
#include <vector>

#include "LumbrelProgram.h"
#include "RunProgram.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    args = FileArgumentAsOption(args);
    static char programName[] = "lumbrel";
    std::vector<char*> pointers = {argc > 0 && argv[0] ? argv[0] : programName};
    for (auto& arg : args) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    return app::RunProgram(int(pointers.size() - 1), pointers.data(), LumbrelProgram());
}
