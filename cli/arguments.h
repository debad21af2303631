// The arguments of one command: its positional arguments in order, its
// flags and its options, each bound to a variable of the command. Parse
// checks them against what the command declared; an error names the
// argument, so that a wrong one is never met with a bare usage.
//
//   Arguments arguments("export");
//   arguments.Positional("FILE", file);
//   arguments.Option("--to", destination);
//   arguments.Flag("--per-table", perTable);
#pragma once

#include <string>
#include <variant>
#include <vector>

class Arguments {
 public:
  explicit Arguments(std::string command) : command_(std::move(command)) {}

  // Required, in the order declared; none may be empty.
  void Positional(const std::string& name, std::string& value);
  // "--name": sets value to true.
  void Flag(const std::string& name, bool& value);
  // "--name VALUE": the next argument whole, whatever it starts with. Given
  // twice, the last counts. given (when not null) tells that it was given.
  void Option(const std::string& name, std::string& value, bool* given = nullptr);
  // "--name VALUE", as often as wanted, each value appended.
  void Repeated(const std::string& name, std::vector<std::string>& values);

  // False with error() set at the first wrong argument.
  bool Parse(const std::vector<std::string>& args);
  // "brevantis-cli export: unknown argument --bogus", and the like.
  const std::string& error() const { return error_; }

 private:
  // A positional argument or an option is a text, a flag a bool, a
  // repeated option a list.
  struct Declared {
    std::string name;
    bool positional = false;
    std::variant<std::string*, bool*, std::vector<std::string>*> value;
    bool* given = nullptr;
  };
  const Declared* Find(const std::string& name) const;
  bool Fail(const std::string& text);

  std::string command_;
  std::vector<Declared> declared_;
  std::string error_;
};
