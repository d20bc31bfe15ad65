#include "model/text_fitting.h"

namespace plattera {

void setFontSizes(std::initializer_list<Canvas*> canvases, int points)
{
    for (Canvas* canvas : canvases)
        canvas->setFontSize(points);
}

long long shrinkToFit(std::initializer_list<Canvas*> canvases, long long bound,
                      const std::function<long long()>& measure)
{
    long long value = measure();
    if (canvases.size() == 0)
        return value;
    int size = (*canvases.begin())->font().size;
    while (value >= bound && size > kSmallestFontSize) {
        --size;
        setFontSizes(canvases, size);
        value = measure();
    }
    return value;
}

} // namespace plattera
