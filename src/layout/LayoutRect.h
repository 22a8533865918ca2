#pragma once

#include <QtGlobal>

class IResizable;

// A control's rectangle in whole twips, as the resizers record it.
struct LayoutRect
{
    qint32 left = 0;
    qint32 top = 0;
    qint32 width = 0;
    qint32 height = 0;

    static LayoutRect of(const IResizable &object);
};

// Nearest whole number, halves to the even neighbour, kept inside 32 bits.
qint32 roundToEven(double value);
