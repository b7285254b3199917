#pragma once
// Runs a shell command the way a user's script would and keeps its exit status and both of its
// outputs, for tests of the programs and tools as executables.
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "FileContents.h"
#include "TempDir.h"

struct CommandResult {
    int status = -1;  // -1 when the command did not end by itself
    std::string out;
    std::string err;
};

// The text as one word for the shell, whatever it holds.
inline std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline CommandResult RunCommand(const std::string& command) {
    TempDir errFolder;
    const std::string errFile = errFolder / "stderr.txt";
    CommandResult result;
    FILE* pipe = ::popen(("( " + command + " ) 2>" + Quoted(errFile)).c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.out.append(buffer, got);
    const int raw = ::pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.err = ReadText(errFile);
    return result;
}
