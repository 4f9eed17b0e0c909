#pragma once
// The platform clock on Windows: the kernel's waits always take real time, so
// there is only the real mode; asking for the virtual one changes nothing.

class Clock {
public:
    enum class Mode { Real, Virtual };

    static Clock& Instance();

    Mode GetMode() const { return Mode::Real; }
    void SetMode(Mode) {}

private:
    Clock() = default;
};
