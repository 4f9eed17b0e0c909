#include "devices/DirectShowSystemDevice.h"

DirectShowSystemDevice& DirectShowSystemDevice::operator=(const DirectShowSystemDevice& other) {
    if (this != &other) {
        friendlyName = other.friendlyName;
        devicePath = other.devicePath;
        valid = other.valid;
    }
    return *this;
}
