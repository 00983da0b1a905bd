#pragma once

#include <string>
#include <string_view>

namespace vintrax::objtool {

// Where the writer's bytes go: a file, standard output, or memory. Write either
// takes all of `bytes` or throws.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

class StringSink final : public ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

}  // namespace vintrax::objtool
