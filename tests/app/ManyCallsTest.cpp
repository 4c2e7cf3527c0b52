#include "AppFixture.h"

#include "GridView.h"
#include "Platform.h"
#include "Win1254.h"

#include <QCoreApplication>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define CALLERID_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CALLERID_ASAN 1
#endif
#endif

namespace {

constexpr int TotalCalls = 100000;
// The address sanitizer's quarantine holds freed memory back, so resident
// memory says nothing there.
#ifdef CALLERID_ASAN
constexpr bool CompareMemory = false;
#else
constexpr bool CompareMemory = true;
#endif
constexpr int SettleCalls = 1000;

// A notification area that keeps its icons and counts balloons, and nothing
// more: a hundred thousand calls must not grow it.
class CountingNotifyArea final : public INotifyArea
{
public:
    BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data) override
    {
        const auto key = std::make_pair(data->hWnd, data->uID);
        switch (message) {
        case NIM_ADD:
            return m_icons.insert(key).second;
        case NIM_DELETE:
            return m_icons.erase(key) != 0;
        case NIM_MODIFY:
            if (!m_icons.count(key))
                return 0;
            if ((data->uFlags & NIF_INFO) && data->szInfo[0] != '\0') {
                ++balloons;
                lastTitle = Win1254::decode(QByteArray(data->szInfoTitle));
            }
            return 1;
        default:
            return 0;
        }
    }

    int balloons = 0;
    QString lastTitle;

private:
    std::set<std::pair<HWND, UINT_PTR>> m_icons;
};

class CountingSpeaker final : public ISpeaker
{
public:
    bool Beep(unsigned frequency, unsigned duration) override
    {
        if (frequency == 1000 && duration == 30)
            ++beeps;
        return true;
    }
    int beeps = 0;
};

std::size_t residentBytes()
{
    // Freed memory the allocator still holds is not the program's.
    malloc_trim(0);
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    unsigned long size = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%lu %lu", &size, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return std::size_t(resident) * std::size_t(sysconf(_SC_PAGESIZE));
}

class ManyCallsTest : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        // In place before the window exists: its tray icon adds itself at once.
        Platform::SetSpeaker(&speaker);
        MainWindowFixture::SetUp();
        device->attach(QStringLiteral("RT4052"), QStringLiteral("SN-7"));
        form->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        Platform::SetSpeaker(nullptr);
    }

    // Calls one after another as fast as the device raises them; the event
    // loop gets a turn every hundred calls, so the list is painted now and then.
    void calls(int from, int to)
    {
        for (int n = from; n <= to; ++n) {
            device->raiseCall(n % 4 + 1, QStringLiteral("0212%1").arg(n, 7, 10, QLatin1Char('0')));
            const int rows = form->GridView1->RowCount();
            if (rows > 6 || rows != std::min(n, 6))
                FAIL() << "call " << n << " left " << rows << " rows";
            if (n % 100 == 0)
                QCoreApplication::processEvents();
        }
    }
    QString text(int col, int row) { return form->GridView1->Cell(col, row)->AsString(); }

    CountingNotifyArea notifyArea;
    Platform::Scope platform { nullptr, nullptr, &notifyArea };
    CountingSpeaker speaker;
};

} // namespace

TEST_F(ManyCallsTest, TheListStaysAtSixRowsAndMemoryStaysFlat)
{
    const QStringList logBefore = log();
    calls(1, SettleCalls);
    ASSERT_FALSE(HasFatalFailure());
    const std::size_t settled = residentBytes();

    calls(SettleCalls + 1, TotalCalls);
    ASSERT_FALSE(HasFatalFailure());
    QCoreApplication::processEvents();
    const std::size_t after = residentBytes();

    ASSERT_EQ(form->GridView1->RowCount(), 6);
    EXPECT_EQ(CallCount, TotalCalls);
    EXPECT_EQ(form->Label5->text(), QString::number(TotalCalls));
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(text(2, row), QString::number(TotalCalls - 5 + row)) << "row " << row;
    EXPECT_EQ(text(4, 5), QStringLiteral("0212%1").arg(TotalCalls, 7, 10, QLatin1Char('0')));
    EXPECT_EQ(speaker.beeps, TotalCalls);
    EXPECT_EQ(notifyArea.balloons, TotalCalls);
    EXPECT_EQ(notifyArea.lastTitle, QStringLiteral("Çağrı: %1").arg(TotalCalls));
    // No call failed: a failure would have been logged.
    EXPECT_EQ(log(), logBefore);

    if (!CompareMemory) {
        std::printf("[   NOTE   ] resident memory not compared: the address sanitizer's "
                    "quarantine keeps freed memory resident\n");
        return;
    }
    const double grownKiB = (double(after) - double(settled)) / 1024.0;
    RecordProperty("resident_growth_kib", int(grownKiB));
    EXPECT_LE(grownKiB, 1024.0) << "resident memory grew by " << grownKiB << " KiB over "
                                << TotalCalls - SettleCalls << " calls";
}

TEST_F(ManyCallsTest, TwentyThousandDeviceMessagesLeaveTheLogAtItsLastTwoLinesAndMemoryFlat)
{
    // What a device says (an NCID server's MSG: lines, a refused command)
    // reaches the log as an escaped exception does.
    const auto say = [](int n) {
        Application()->Guard(
            nullptr, [n] { throw Exception(QStringLiteral("NCID: Sunucu iletisi %1").arg(n)); });
    };
    constexpr int Messages = 20000;
    for (int n = 1; n <= SettleCalls; ++n)
        say(n);
    QCoreApplication::processEvents();
    const std::size_t settled = residentBytes();
    for (int n = SettleCalls + 1; n <= Messages; ++n) {
        say(n);
        if (n % 100 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    const QStringList lines = log();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.at(1).endsWith(QStringLiteral("iletisi %1").arg(Messages)));
    EXPECT_TRUE(lines.at(0).endsWith(QStringLiteral("iletisi %1").arg(Messages - 1)));
    if (!CompareMemory)
        return;
    const double grownKiB = (double(residentBytes()) - double(settled)) / 1024.0;
    EXPECT_LE(grownKiB, 1024.0) << "resident memory grew by " << grownKiB << " KiB";
}
