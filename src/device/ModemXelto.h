#pragma once

#include "XeltoControl.h"

class ModemLink;
struct CallerIdBlock;

// The control for a caller-ID modem: the link's device, calls and line voltage
// as the control's answers and events. Line commands: "LineStatus1" takes the
// line off hook (ATH1), "LineStatus0" puts it back (ATH0), "dial" followed by
// digits, '*', '#' and ',' dials them (ATDT…;).
class ModemXelto : public XeltoControl
{
    Q_OBJECT
public:
    // Takes LINK over and starts it when it is not ready yet.
    explicit ModemXelto(ModemLink* link);
    ~ModemXelto() override;

    HRESULT ServiceAction() override;
    HRESULT Start() override;
    HRESULT Command(const QString& keyword, QString* result) override;
    bool devicePresent() const override;

    ModemLink* link() const { return m_link; }

    // What the call list shows for a block: the number, or why there is none.
    static QString numberText(const CallerIdBlock& block);
    // The block's date and time as "dd.MM.yyyy HH:mm", the year taken from NOW
    // when the block has none; NOW itself when the block has no valid date and time.
    static QString dateTimeText(const CallerIdBlock& block, const QDateTime& now);

private:
    void raiseCall(const CallerIdBlock& block);
    HRESULT refuse(const QString& why);

    ModemLink* m_link;
};
