#pragma once

#include <string>
#include <vector>

// What the test host needs from the operating system: loading the plug-in, and finding,
// counting and killing the engine processes it starts.
namespace ferrule_host {

// Null on failure, with the system's reason in `error`.
void* loadLibrary(const std::string& path, std::string& error);
void* librarySymbol(void* library, const char* name);
void unloadLibrary(void* library);

// The processes this host has started (the engine once the plug-in has opened).
std::vector<int> childProcesses();

// How many processes this host or the given engines started are still there; -1 when the
// system cannot tell.
int leftoverProcesses(const std::vector<int>& engines);

// "loaded", with what the system can tell about the logo handle the plug-in returned.
std::string describeLogo(void* handle);

// Kills the given engines (and, where the system groups them, whatever they started).
void killProcesses(const std::vector<int>& engines);

} // namespace ferrule_host
