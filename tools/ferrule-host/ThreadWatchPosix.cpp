#include "ThreadWatch.h"

namespace ferrule_host {

// POSIX threads keep the system's default stack: nothing here to watch.
void watchPluginThreads(void*) {}

void noteNotification(int) {}

std::vector<std::string> notificationThreads() {
    return {"threads not watched on this system"};
}

} // namespace ferrule_host
