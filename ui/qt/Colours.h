#pragma once

#include "core/ColourRef.h"

#include <QColor>

namespace kovir {

inline QColor ToQColor(ColourRef c)
{
    return {RedOf(c), GreenOf(c), BlueOf(c)};
}

} // namespace kovir
