// ztr-tool: scans, lists and searches catalogues without a window.
#pragma once

int RunTool(int argc, char** argv);
