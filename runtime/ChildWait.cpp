#include "runtime/ChildWait.h"

#include "runtime/ChildWaitService.h"
#include "runtime/Signal.h"

int ChildWait::UsageCounter = 0;

ChildWait::Init::Init() {
    if (UsageCounter++ == 0) Initialize();
}

ChildWait::Init::~Init() {
    if (--UsageCounter == 0) Cleanup();
}

ChildWait::~ChildWait() {
    handler->~Handler();
    Detach();
}

void ChildWait::Attach(int child) {
    pid = child;
    if (ChildWaitService::childWaitService) ChildWaitService::childWaitService->Attach(this);
}

void ChildWait::Detach() {
    if (ChildWaitService::childWaitService) ChildWaitService::childWaitService->Detach(this);
}

void ChildWait::Initialize() {
    if (!ChildWaitService::childWaitService)
        ChildWaitService::childWaitService = new ChildWaitService;
}

// SIGCHLD goes back to its default before the service goes, so a late signal
// never reaches a destroyed service.
void ChildWait::Cleanup() {
    ChildWaitService* service = ChildWaitService::childWaitService;
    if (!service) return;
    if (service->IsActive()) IPC::Signal::system(SIGCHLD);
    ChildWaitService::childWaitService = nullptr;
    delete service;
}

void ChildWait::Activate() {
    if (ChildWaitService::childWaitService) ChildWaitService::childWaitService->Activate();
}
