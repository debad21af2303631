// The commands of brevantis-cli. Each returns the process exit code.
#pragma once

#include <string>
#include <vector>

int RunAnalyzeCommand(const std::vector<std::string>& args);
int RunRowsCommand(const std::vector<std::string>& args);
int RunExportCommand(const std::vector<std::string>& args);
int RunSchemaCommand(const std::vector<std::string>& args);

// An argument error: the message naming the argument, then the command's
// usage line ("export FILE --to DIR ..."), on stderr. Returns 1.
int UsageError(const std::string& message, const char* usage);
