// --password PW and --password-file F, taken by every command: the password
// of an encrypted database, handed to the session before the analysis. The
// file keeps the password out of the process list; one line end after it
// is not part of it.
#pragma once

#include <string>

class Arguments;
class MdbFile;

class PasswordOption {
 public:
  // Declares both options; this object must outlive the parse.
  void Declare(Arguments& arguments);
  // Gives the session the password, if one was given. False with error set
  // (naming the option) when both are given or the file cannot be read.
  bool Apply(MdbFile& file, std::string& error) const;

 private:
  std::string password_, file_;
  bool passwordGiven_ = false, fileGiven_ = false;
};
