#pragma once

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include "model/sheets.h"
#include "support/image_assert.h"

// The four visible sheets as they stand, to compare before and after a command.
struct SheetPixels {
    QImage panel, leftSpine, rightSpine, front;

    explicit SheetPixels(plattera::Sheets& s)
        : panel(s.backPanel.image().copy()), leftSpine(s.leftSpine.image().copy()),
          rightSpine(s.rightSpine.image().copy()), front(s.frontCover.image().copy())
    {
    }
};

inline ::testing::AssertionResult SameSheets(const SheetPixels& a, const SheetPixels& b)
{
    const char* names[] = {"Image1", "Image2", "Image3", "Image4"};
    const QImage* left[] = {&a.panel, &a.leftSpine, &a.rightSpine, &a.front};
    const QImage* right[] = {&b.panel, &b.leftSpine, &b.rightSpine, &b.front};
    for (int i = 0; i < 4; ++i)
        if (auto r = ImagesEqual(*left[i], *right[i]); !r)
            return r << " on " << names[i];
    return ::testing::AssertionSuccess();
}

// A pointer move with no button held, delivered the way the window system would.
inline void movePointer(QWidget* widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

inline void clickOn(QWidget* widget, QPoint at)
{
    const QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}
