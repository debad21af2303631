// The commands of brevantis-cli. Each returns the process exit code.
#pragma once

#include <string>
#include <vector>

int RunAnalyzeCommand(const std::vector<std::string>& args);
int RunRowsCommand(const std::vector<std::string>& args);
int RunExportCommand(const std::vector<std::string>& args);
