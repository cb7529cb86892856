#pragma once

inline int Down() {
    return 0;
}
