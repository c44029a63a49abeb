#pragma once
// The object browser's Compile and Drop, plugged into every browser window.
namespace quodlin {

void InstallBrowserWorkspaceHooks();

} // namespace quodlin
