#include "Forms.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>

namespace {
TApplication* g_application = nullptr;
}

TApplication* Application()
{
    if (!g_application)
        g_application = new TApplication();
    return g_application;
}

TApplication::TApplication()
{
    if (!g_application)
        g_application = this;
}

TApplication::~TApplication()
{
    // The application owns its windows: free them in reverse order of creation.
    const QList<QWidget*> forms = std::exchange(m_forms, {});
    for (auto it = forms.rbegin(); it != forms.rend(); ++it)
        delete *it;
    if (g_application == this)
        g_application = nullptr;
}

void TApplication::Initialize() { }

void TApplication::SetTitle(const QString& title)
{
    m_title = title;
    // The program's name towards the desktop (notifications, window class),
    // not a display name: Qt would append that to every window's caption,
    // and each window has a caption of its own.
    QCoreApplication::setApplicationName(title);
}

void TApplication::adoptForm(QWidget* form)
{
    m_forms.append(form);
    connect(form, &QObject::destroyed, this, [this, form] { m_forms.removeAll(form); });
    if (!m_mainForm)
        m_mainForm = form;
}

int TApplication::Run()
{
    if (m_mainForm) {
        if (ShowMainForm)
            Guard(this, [&] { m_mainForm->show(); });
        // Closing the main form ends the loop even when other windows are open.
        m_mainForm->setAttribute(Qt::WA_QuitOnClose, true);
        for (QWidget* form : std::as_const(m_forms))
            if (form != m_mainForm)
                form->setAttribute(Qt::WA_QuitOnClose, false);
    }
    return QCoreApplication::exec();
}

void TApplication::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TApplication::BringToFront()
{
    if (!m_mainForm)
        return;
    m_mainForm->raise();
    m_mainForm->activateWindow();
}

void TApplication::Terminate()
{
    QCoreApplication::quit();
}

QString TApplication::ExceptionMessage(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown exception");
    }
}

void TApplication::HandleException(TObject* sender) noexcept
{
    const QString message = ExceptionMessage(std::current_exception());
    try {
        if (OnException) {
            OnException(sender, message);
            return;
        }
    } catch (...) {
        // The log itself failed: fall through to standard error so the report is not lost.
        std::fprintf(stderr, "exception in exception handler: %s\n",
            ExceptionMessage(std::current_exception()).toLocal8Bit().constData());
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

TApplicationEvents::TApplicationEvents(QObject* owner)
    : TComponent(owner)
{
}

TApplicationEvents::~TApplicationEvents()
{
    if (m_onException)
        Application()->OnException = nullptr;
}

void TApplicationEvents::SetOnException(TExceptionEvent handler)
{
    m_onException = handler;
    Application()->OnException = std::move(handler);
}
