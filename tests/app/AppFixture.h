#pragma once

#include "Forms.h"
#include "Memo.h"
#include "SimulatedXelto.h"
#include "Unit1.h"
#include "XeltoBackends.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

// A main window over a quiet simulated device that the test drives directly.
// The window's own timers are stopped: the test runs the handlers itself.
class MainWindowFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        XeltoBackends::Options options;
        options.backend = QStringLiteral("sim");
        options.onCreated = [this](const std::shared_ptr<SimulatedXelto>& c) { device = c; };
        ASSERT_TRUE(XeltoBackends::Register(options));
        form = std::make_unique<TForm1>();
        form->Timer1->stop();
        form->Timer2->stop();
        ASSERT_TRUE(device);
    }

    void TearDown() override
    {
        form.reset();
        XeltoBackends::Unregister();
    }

    void poll()
    {
        Application()->Guard(form->Timer1, [this] { form->Timer1Timer(form->Timer1); });
    }

    QStringList log() const { return Memo::Lines(form->Memo2); }

    std::shared_ptr<SimulatedXelto> device;
    std::unique_ptr<TForm1> form;
};
