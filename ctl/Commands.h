#pragma once

// readerctl's commands, one file each (ExportCommand.cpp, ...): each adds itself to the app
// with its own options, help text and action. global holds the options given before the
// command and outlives the app's parse.

#include "CommandSupport.h"

#include <CLI/CLI.hpp>

namespace ctl {

void addShowCommand(CLI::App& app, const GlobalOptions& global);
void addExportCommand(CLI::App& app, const GlobalOptions& global);
void addDiffCommand(CLI::App& app, const GlobalOptions& global);
void addImportCommand(CLI::App& app, const GlobalOptions& global);
void addGetCommand(CLI::App& app, const GlobalOptions& global);
void addSetCommand(CLI::App& app, const GlobalOptions& global);
void addApplyCommand(CLI::App& app, const GlobalOptions& global);
void addScanCommand(CLI::App& app, const GlobalOptions& global);

}  // namespace ctl
