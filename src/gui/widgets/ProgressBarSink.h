#pragma once

#include "base/UiServices.h"

#include <QProgressBar>

namespace ekaldo {

// A window's progress bar as the core's long runs report to it.
class ProgressBarSink : public ProgressSink {
public:
    explicit ProgressBarSink(QProgressBar& bar) : m_bar(bar) {}
    int Maximum() const override { return m_bar.maximum(); }
    void SetPosition(int position) override { m_bar.setValue(position); }

private:
    QProgressBar& m_bar;
};

} // namespace ekaldo
