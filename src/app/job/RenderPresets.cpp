#include "app/job/RenderPresets.h"

QSizeF movieDimensionsForPreset(int index) {
    switch (index) {
    case 2:
        return {720, 480};
    case 3:
        return {853, 480};
    case 4:
        return {720, 576};
    case 5:
        return {853, 576};
    case 6:
        return {800, 600};
    case 7:
        return {1024, 768};
    case 8:
        return {1280, 720};
    case 9:
        return {1280, 960};
    case 10:
        return {1920, 1080};
    case 11:
        return {2048, 1080};
    case 12:
        return {4096, 2160};
    case 13:
        return {1080, 1080};
    case 14:
        return {1080, 1920};
    case 15:
        return {2560, 1440};
    case 16:
        return {3840, 2160};
    default:
        return {640, 480};
    }
}
