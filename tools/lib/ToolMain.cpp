#include "ToolMain.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <iostream>
#include <new>
#include <utility>

bool ArgCursor::Next() {
    inlineValue_.reset();
    if (next_ >= args_.size()) return false;
    current_ = args_[next_++];
    std::size_t equals = current_.find('=');
    if (current_.rfind("--", 0) == 0 && equals != std::string::npos) {
        inlineValue_ = current_.substr(equals + 1);
        current_.resize(equals);
    }
    return true;
}

bool ArgCursor::Is(const char* longName, const char* shortName) const {
    return current_ == longName || (shortName && current_ == shortName);
}

std::string ArgCursor::Value() {
    if (inlineValue_) return *std::exchange(inlineValue_, std::nullopt);
    if (next_ >= args_.size()) throw UsageError("option " + current_ + " needs a value");
    return args_[next_++];
}

long long ArgCursor::IntegerValue(long long min, long long max) {
    std::string option = current_;
    std::string text = Value();
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        throw UsageError("option " + option + " needs a whole number from " + std::to_string(min) +
                         " to " + std::to_string(max) + ", not '" + text + "'");
    }
    return value;
}

Progress::Progress(bool quiet) : enabled_(!quiet && ::isatty(STDERR_FILENO)) {}

void Progress::Update(double fraction) {
    if (!enabled_) return;
    int tenth = static_cast<int>(fraction * 10 + 1e-9);
    if (tenth > 10) tenth = 10;
    while (printed_ < tenth) {
        ++printed_;
        if (printed_ == 10) break;
        std::fprintf(stderr, "%d...", printed_ * 10);
    }
    std::fflush(stderr);
}

void Progress::Done() {
    if (!enabled_) return;
    Update(1.0);
    std::fprintf(stderr, "done.\n");
    printed_ = -1;
}

int RunTool(const char* name, const char* usage, int argc, char** argv,
            const std::function<void(ArgCursor&)>& body) {
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        }
    }
    try {
        ArgCursor cursor(args);
        body(cursor);
        return 0;
    } catch (const UsageError& error) {
        std::cerr << name << ": " << error.what() << "\nTry '" << name << " --help'.\n";
        return 2;
    } catch (const std::bad_alloc&) {
        std::cerr << name << ": out of memory\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << name << ": " << error.what() << "\n";
        return 1;
    }
}
