#include "Desktop.h"

int IDesktop::HookApplication(ApplicationHook hook)
{
    const int id = m_nextHook++;
    m_hooks.emplace(id, std::move(hook));
    return id;
}

void IDesktop::UnhookApplication(int id)
{
    m_hooks.erase(id);
}

void IDesktop::deliverToApplication(UINT message, WPARAM wParam, LPARAM lParam)
{
    std::vector<int> ids;
    ids.reserve(m_hooks.size());
    for (const auto& entry : m_hooks)
        ids.push_back(entry.first);
    for (int id : ids) {
        const auto it = m_hooks.find(id);
        if (it == m_hooks.end())
            continue;
        const ApplicationHook hook = it->second;
        hook(message, wParam, lParam);
    }
}
