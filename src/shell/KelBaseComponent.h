#pragma once
// The base of the shell components that can be switched on and off.

namespace quarrow {

class TKelBaseComponent {
public:
    virtual ~TKelBaseComponent() = default;

    virtual bool GetEnabled() const { return FEnabled; }
    virtual void SetEnabled(bool value) { FEnabled = value; }

protected:
    bool FEnabled = true;
};

} // namespace quarrow
