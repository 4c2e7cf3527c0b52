#pragma once

#include "Classes.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <exception>
#include <functional>
#include <utility>

// Called with the sender and the message of an exception that no handler caught.
using TExceptionEvent = std::function<void(TObject* sender, const QString& message)>;

// The application object: title, main form, the windows it owns, the message
// pump and the one place where escaped exceptions go. Every handler the
// program's windows and components run goes through Guard(), so no exception
// ever reaches Qt's event loop.
class TApplication : public QObject
{
    Q_OBJECT
public:
    TApplication();
    ~TApplication() override;

    // Nothing to start here (no apartment to enter); kept for the entry's order.
    void Initialize();

    QString Title() const { return m_title; }
    void SetTitle(const QString& title);

    QWidget* MainForm() const { return m_mainForm; }
    // When false, Run() leaves the main form hidden (a tray icon may have taken its place).
    bool ShowMainForm = true;

    // Creates a window owned by the application; the first one is the main form.
    template <typename Form> void CreateForm(Form*& reference)
    {
        Guard(this, [&] {
            reference = new Form();
            adoptForm(reference);
        });
    }
    const QList<QWidget*>& Forms() const { return m_forms; }

    // Shows the main form and runs the message loop until it closes.
    int Run();
    void ProcessMessages();
    void BringToFront();
    void Terminate();

    TExceptionEvent OnException;

    // Reports the exception being handled (call from a catch block).
    void HandleException(TObject* sender) noexcept;
    // The message of an exception as the log shows it.
    static QString ExceptionMessage(const std::exception_ptr& error);

    template <typename Fn> void Guard(TObject* sender, Fn&& fn) noexcept
    {
        try {
            std::forward<Fn>(fn)();
        } catch (...) {
            HandleException(sender);
        }
    }

private:
    void adoptForm(QWidget* form);

    QString m_title;
    QPointer<QWidget> m_mainForm;
    QList<QWidget*> m_forms;
};

// The process's application object; exists from the first call on.
TApplication* Application();

// A guarded slot without arguments:
// `connect(timer, &QTimer::timeout, this, Guarded(this, [this] { ... }))`.
template <typename Fn> auto Guarded(TObject* sender, Fn fn)
{
    return [sender, fn = std::move(fn)]() mutable { Application()->Guard(sender, fn); };
}

// Binds a handler to the application's exception event for as long as it lives.
class TApplicationEvents : public TComponent
{
    Q_OBJECT
public:
    explicit TApplicationEvents(QObject* owner = nullptr);
    ~TApplicationEvents() override;

    void SetOnException(TExceptionEvent handler);

private:
    TExceptionEvent m_onException;
};
