#pragma once

#include <QByteArray>
#include <QRgb>
#include <QSize>

// A 1-bit PNG of one colour but for a dot at its top-left corner, whose data inflates to
// `extraZeros` more zeros after its rows (gigabytes from megabytes).
QByteArray dotPng(QSize size, bool interlaced, QRgb dot, QRgb rest, qint64 extraZeros = 0);
