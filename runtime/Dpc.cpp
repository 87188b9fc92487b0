#include "runtime/Dpc.h"

#include "runtime/Multiplexer.h"

Dpc::~Dpc() {
    Deactivate();
    delete handler;
}

void Dpc::Bind(DpcHandler* h) {
    if (h == handler) return;
    delete handler;
    handler = h;
}

void Dpc::Activate() {
    if (!active) multiplexer.attach(this);
    active = true;
}

void Dpc::Deactivate() {
    if (active) multiplexer.dettach(this);
    active = false;
}

void Dpc::Invoke() {
    if (handler) handler->Invoke();
}
