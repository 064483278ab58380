#include "HostPlatform.h"

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace ferrule_host {

void* loadLibrary(const std::string& path, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        error = dlerror();
    }
    return library;
}

void* librarySymbol(void* library, const char* name) {
    return dlsym(library, name);
}

void unloadLibrary(void* library) {
    dlclose(library);
}

// The engine leads a process group of its own, so its helpers are found by group.
int leftoverProcesses(const std::vector<int>& engines) {
    int count = 0;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return -1;
    }
    while (const dirent* entry = readdir(proc)) {
        const int pid = std::atoi(entry->d_name);
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string content;
        if (pid <= 0 || !std::getline(stat, content)) {
            continue;
        }
        // Fields after the command name in parentheses: state, ppid, pgrp.
        std::istringstream fields(content.substr(content.rfind(')') + 2));
        char state = 0;
        int parent = 0;
        int group = 0;
        fields >> state >> parent >> group;
        // An orphan that has ended waits for the system to reap it; it is not ours.
        bool ours = parent == getpid();
        if (state == 'Z' && !ours) {
            continue;
        }
        for (const int known : engines) {
            ours = ours || group == known;
        }
        count += ours ? 1 : 0;
    }
    closedir(proc);
    return count;
}

std::vector<int> childProcesses() {
    std::vector<int> children;
    std::ifstream list("/proc/self/task/" + std::to_string(getpid()) + "/children");
    for (int pid = 0; list >> pid;) {
        children.push_back(pid);
    }
    return children;
}

std::string describeLogo(void*) {
    return "loaded";
}

void killProcesses(const std::vector<int>& engines) {
    for (const int pid : engines) {
        ::kill(pid, SIGKILL);
    }
}

} // namespace ferrule_host
