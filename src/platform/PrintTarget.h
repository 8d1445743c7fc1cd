#pragma once

// Printing works in 0.1 mm units with y growing upwards (as the metric
// mapping mode of the order sheet expects). The program prints through
// QPrinter; tests record the drawing calls.

#include <QString>

namespace order {

class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    virtual bool BeginJob(const QString& title) = 0;
    virtual void Text(int x, int y, int height, const QString& text, bool rightAligned) = 0;
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    virtual void EndJob() = 0;
};

}  // namespace order
