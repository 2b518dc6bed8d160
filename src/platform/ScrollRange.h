// SPDX-License-Identifier: Apache-2.0
// ScrollRange: a scroll bar's range, steps and value as every toolkit here keeps them:
// 0 to 32767 in steps of 1 by default, the maximum never below the minimum, the value
// always inside the range. A toolkit's bar holds one, moves it as the user scrolls, and
// raises Change when a call says the value moved.
#pragma once

#include <algorithm>

namespace Platform {

class ScrollRange
{
public:
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }
    int smallChange() const { return m_small; }
    int largeChange() const { return m_large; }
    void setSmallChange(int step) { m_small = step; }
    void setLargeChange(int step) { m_large = step; }

    // Each of these returns whether the value moved.
    bool setRange(int minimum, int maximum)
    {
        m_minimum = minimum;
        m_maximum = std::max(minimum, maximum);
        return moveTo(m_value);
    }
    bool moveTo(int value)
    {
        const int next = std::clamp(value, m_minimum, m_maximum);
        const bool moved = next != m_value;
        m_value = next;
        return moved;
    }
    // `count` lines (small changes) or pages (large ones) down; up when negative.
    bool lines(int count) { return moveTo(m_value + count * m_small); }
    bool pages(int count) { return moveTo(m_value + count * m_large); }

private:
    int m_minimum = 0;
    int m_maximum = 32767;
    int m_small = 1;
    int m_large = 1;
    int m_value = 0;
};

} // namespace Platform
