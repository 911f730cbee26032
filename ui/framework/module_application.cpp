#include "ui/framework/module_application.h"

CModuleApplication* CModuleApplication::current_ = nullptr;

CModuleApplication::CModuleApplication(const char* appName) : appName_(appName) {
    current_ = this;
}

CModuleApplication::~CModuleApplication() {
    if (current_ == this) current_ = nullptr;
}

bool CModuleApplication::PreTranslateMessage(MSG*) { return false; }

bool CModuleApplication::OnIdle(long) { return false; }

void CModuleApplication::SetRegistryKey(const char* key) { registryKey_ = key; }

std::string CModuleApplication::ProfilePath() const {
    return "software\\" + registryKey_ + "\\" + appName_;
}
