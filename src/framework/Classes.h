#pragma once

#include "Exceptions.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// The component model the components are written against, kept thin: a
// component is a QObject whose owner (its Qt parent) frees it; components that
// refer to each other ask for a removal notification so that no reference
// outlives its target.

using TObject = QObject;
using TNotifyEvent = std::function<void(TObject* sender)>;

enum class TOperation { opInsert, opRemove };

enum ComponentStateFlag {
    csLoading = 0x1,
    csReading = 0x2,
    csDesigning = 0x4,
    csDestroying = 0x8,
};
Q_DECLARE_FLAGS(TComponentState, ComponentStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TComponentState)

// Persistent objects can copy each other's settings.
class TPersistent
{
public:
    virtual ~TPersistent() = default;
    // Copies the settings of source; raises EConvertError when the kinds don't match.
    virtual void Assign(const TPersistent* source);
    virtual QString ClassName() const { return QStringLiteral("TPersistent"); }

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

class TComponent : public QObject, public TPersistent
{
    Q_OBJECT
public:
    explicit TComponent(QObject* owner = nullptr);
    ~TComponent() override;

    QObject* Owner() const { return parent(); }
    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    TComponentState ComponentState() const { return m_state; }

    // Asks for Notification(this, opRemove) on `client` when this component goes.
    void FreeNotification(TComponent* client);
    void RemoveFreeNotification(TComponent* client);

    // Stored-description reading: between BeginLoading and EndLoading the
    // component is in csLoading; EndLoading runs Loaded().
    void BeginLoading();
    void EndLoading();

    // Marks the component as being edited in a designer.
    void SetDesigning(bool designing);

protected:
    virtual void Notification(TComponent* component, TOperation operation);
    virtual void Loaded();

private:
    void notifyRemoval();

    TComponentState m_state;
    QList<TComponent*> m_freeNotifies;
};
