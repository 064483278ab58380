#pragma once

#include <string>
#include <vector>

// Which threads the plug-in's notifications arrive on, and how much of each one's stack
// the plug-in and this host's handler have used: a host of a 32-bit plug-in gives its
// threads small stacks, and a plug-in that outgrows one crashes its host.
namespace ferrule_host {

// Records every thread the plug-in `library` creates, with the stack it asked for.
void watchPluginThreads(void* library);

// Called at the start of every notification, on the thread that delivers it.
void noteNotification(int code);

// One line per thread that delivered notifications, or one saying that nothing is watched.
std::vector<std::string> notificationThreads();

} // namespace ferrule_host
