#pragma once
// Error object raised by the components: a number, a source and a description,
// as their callers expect them.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace blenvar {

// Base of the object-defined error numbers (vbObjectError).
inline constexpr std::int32_t kObjectErrorBase = static_cast<std::int32_t>(0x80040000u);

class ComError : public std::runtime_error {
  public:
    ComError(std::int32_t number, std::string source, std::string description)
        : std::runtime_error(description),
          number_(number),
          source_(std::move(source)),
          description_(std::move(description)) {}

    std::int32_t Number() const noexcept { return number_; }
    const std::string& Source() const noexcept { return source_; }
    const std::string& Description() const noexcept { return description_; }

  private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

}  // namespace blenvar
