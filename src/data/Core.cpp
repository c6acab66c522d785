#include "data/Core.h"

#include "base/Files.h"

TFCore::TFCore(Prompter& prompter) : m_prompter(&prompter), m_store(prompter) {
    m_settings.Today = Today();
}

void TFCore::setDataFolder(const QString& folder) {
    m_dataFolder = WithBackslash(folder);
    refreshControl();
}

void TFCore::SetRebalNeeded(bool flag) {
    m_settings.RebalNeeded = flag;
    refreshControl();
}
