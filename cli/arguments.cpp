#include "cli/arguments.h"

void Arguments::Positional(const std::string& name, std::string& value) {
  declared_.push_back({name, true, &value});
}

void Arguments::Flag(const std::string& name, bool& value) { declared_.push_back({name, false, &value}); }

void Arguments::Option(const std::string& name, std::string& value, bool* given) {
  declared_.push_back({name, false, &value, given});
}

void Arguments::Repeated(const std::string& name, std::vector<std::string>& values) {
  declared_.push_back({name, false, &values});
}

const Arguments::Declared* Arguments::Find(const std::string& name) const {
  for (const Declared& d : declared_)
    if (!d.positional && d.name == name) return &d;
  return nullptr;
}

bool Arguments::Fail(const std::string& text) {
  error_ = "brevantis-cli " + command_ + ": " + text;
  return false;
}

bool Arguments::Parse(const std::vector<std::string>& args) {
  std::vector<const Declared*> positionals;
  for (const Declared& d : declared_)
    if (d.positional) positionals.push_back(&d);
  size_t nextPositional = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
      const Declared* d = Find(arg);
      if (d == nullptr) return Fail("unknown argument " + arg);
      if (bool* const* flag = std::get_if<bool*>(&d->value)) {
        **flag = true;
        continue;
      }
      if (i + 1 == args.size()) return Fail(arg + " needs a value");
      const std::string& value = args[++i];
      if (auto* const* list = std::get_if<std::vector<std::string>*>(&d->value)) {
        (*list)->push_back(value);
      } else {
        *std::get<std::string*>(d->value) = value;
        if (d->given) *d->given = true;
      }
    } else if (nextPositional == positionals.size()) {
      return Fail("unexpected argument " + arg);
    } else if (arg.empty()) {
      return Fail(positionals[nextPositional]->name + " is empty");
    } else {
      *std::get<std::string*>(positionals[nextPositional++]->value) = arg;
    }
  }
  if (nextPositional < positionals.size()) return Fail(positionals[nextPositional]->name + " is missing");
  return true;
}
