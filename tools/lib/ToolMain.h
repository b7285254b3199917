#pragma once
// What the command-line tools share: option parsing, the exit codes (0 done, 1 failed,
// 2 unusable options), messages on standard error prefixed with the tool's name, and
// GDAL-style progress ("0...10...20...done.") on standard error when it is a terminal.
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Walks the arguments; accepts "--name value" and "--name=value".
class ArgCursor {
  public:
    explicit ArgCursor(std::vector<std::string> args) : args_(std::move(args)) {}
    bool Next();  // moves to the next argument; false at the end
    const std::string& Current() const { return current_; }
    bool Is(const char* longName, const char* shortName = nullptr) const;
    bool IsOption() const { return current_.size() > 1 && current_[0] == '-'; }
    std::string Value();  // the option's value; UsageError if missing
    long long IntegerValue(long long min, long long max);

  private:
    std::vector<std::string> args_;
    std::size_t next_ = 0;
    std::string current_;
    std::optional<std::string> inlineValue_;
};

class Progress {
  public:
    explicit Progress(bool quiet);
    void Update(double fraction);
    void Done();

  private:
    bool enabled_;
    int printed_ = -1;  // last tenth printed
};

// Runs `body` with the arguments after the program name; prints `usage` for --help or -h.
int RunTool(const char* name, const char* usage, int argc, char** argv,
            const std::function<void(ArgCursor&)>& body);
