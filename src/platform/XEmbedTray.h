#pragma once

#include "TrayBackend.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <map>
#include <memory>

class TrayIconWindow;

// The X11 system tray. Icons dock into it by the XEmbed system-tray
// protocol, so every press, release, double click and motion over them comes
// back as the icon's callback code. The tray's owner is watched: a tray that
// starts, ends or is replaced counts as a change.
class XEmbedTray final : public QObject, public ITrayBackend, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // `display` is the application's X11 connection.
    explicit XEmbedTray(void* display);
    ~XEmbedTray() override;

    bool Available() const override { return m_trayWindow != 0; }
    quint64 Generation() const override { return m_generation; }
    bool Place(const IconKey& key, const TrayIcon& icon, Report report) override;
    void Update(const IconKey& key, const TrayIcon& icon, UINT changed) override;
    void Remove(const IconKey& key) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The window of the tray that holds the icons now, 0 when there is none.
    unsigned long TrayWindow() const { return m_trayWindow; }

private:
    unsigned long findTray();
    void watchTray(unsigned long window);
    void trayChanged();
    void setMapped(TrayIconWindow& window, bool mapped);

    void* m_display = nullptr;
    unsigned long m_root = 0;
    unsigned long m_selection = 0;
    unsigned long m_opcode = 0;
    unsigned long m_manager = 0;
    unsigned long m_xembedInfo = 0;
    unsigned long m_trayWindow = 0;
    quint64 m_generation = 0;
    std::map<IconKey, std::unique_ptr<TrayIconWindow>> m_windows;
};
