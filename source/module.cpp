// The module's life: one source object per process, constructed when the module is
// attached and initialised right after, destroyed when it is detached.
#include "source/twain_source.h"
#include "trace/trace.h"

namespace {
CTwainSource* source = nullptr;
TW_UINT16 entryConditionCode = TWCC_BADDEST;
}  // namespace

CTwainSource* TheSource() {
    return source;
}

TW_UINT16& EntryConditionCode() {
    return entryConditionCode;
}

void AttachModule(HINSTANCE resources) {
    trace::Start();
    entryConditionCode = TWCC_BADDEST;
    source = new CTwainSource();
    source->SetResourceHandle(resources);
    source->InitInstance();
}

void DetachModule() {
    delete source;
    source = nullptr;
    trace::Stop();
}
