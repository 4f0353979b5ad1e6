// Nox::Exception: the engine's exception base carrying source name, line and message.
#pragma once

#include <exception>
#include <string>

namespace Nox {

class Exception : public std::exception {
 public:
  Exception(std::string source, int line, std::string message)
      : source_(std::move(source)), line_(line), message_(std::move(message)) {
    formatted_ = source_ + "(" + std::to_string(line_) + "): " + message_;
  }
  const std::string& Source() const noexcept { return source_; }
  int Line() const noexcept { return line_; }
  const std::string& Message() const noexcept { return message_; }
  // Short name of the exception kind.
  virtual const char* Description() const noexcept { return "Nox Exception"; }
  // "source(line): message".
  const char* what() const noexcept override { return formatted_.c_str(); }

 private:
  std::string source_;
  int line_;
  std::string message_;
  std::string formatted_;
};

}  // namespace Nox
