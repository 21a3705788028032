#include "countdisplay.h"

namespace {
constexpr int refreshPeriod = 100; // ms: ten a second, as panel meters update
} // namespace

CountDisplay::CountDisplay(QWidget *parent) : QTextEdit(parent)
{
    setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(refreshPeriod);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CountDisplay::showPending);
}

void CountDisplay::showCount(const QString &text)
{
    if (m_refreshTimer.isActive()) {
        m_pending = text;
        return;
    }
    setText(text);
    m_refreshTimer.start();
}

void CountDisplay::clearCount()
{
    m_pending = QString();
    clear();
}

void CountDisplay::showPending()
{
    if (m_pending.isNull())
        return; // nothing came in this period
    setText(m_pending);
    m_pending = QString();
    m_refreshTimer.start();
}
