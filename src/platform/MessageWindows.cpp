#include "MessageWindows.h"

UINT IMessageWindows::RegisterWindowMessageA(const char* name)
{
    if (!name || !*name)
        return 0;
    const QByteArray key = QByteArray(name).toLower();
    if (const auto it = m_registered.constFind(key); it != m_registered.cend())
        return it.value();
    const auto message = UINT(0xC000 + m_registered.size());
    if (message > 0xFFFF)
        return 0;
    m_registered.insert(key, message);
    return message;
}
