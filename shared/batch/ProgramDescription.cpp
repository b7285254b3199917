#include "ProgramDescription.h"

#include "VersInfo.h"

namespace app {

std::string ApplicationTitle(const ProgramDescription& program) {
    if (!program.title.empty()) return program.title;
    TdfsVersionInfoResource info(program.version);
    const std::string product = info.Value(pdProductName);
    return product.empty() ? program.name : product;
}

ParsedCommandLine ParseProgramCommandLine(const std::vector<std::string>& args,
                                          const ProgramDescription& program) {
    ParsedCommandLine parsed =
        ParseCommandLine(args, program.name, program.summary, program.options);
    if (parsed.action != CommandLineAction::Run || !program.checkOptions) return parsed;
    std::string problem = program.checkOptions(parsed.options);
    if (!problem.empty()) {
        parsed.action = CommandLineAction::Fail;
        parsed.message = UsageMessage(program.name, problem);
    }
    return parsed;
}

}  // namespace app
