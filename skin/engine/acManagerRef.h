#pragma once
// TacManagerRef: a pointer to a skin manager that the manager itself clears when it goes. The removal broadcast
// reaches only the forms the application owns and the forms with a provider; skin data of a control elsewhere, or
// an adapter of a bare window, would otherwise keep naming a freed manager.
class TsSkinManager;

class TacManagerRef {
public:
    TacManagerRef() = default;
    virtual ~TacManagerRef() { Reset(nullptr); }
    TacManagerRef(const TacManagerRef&) = delete;
    TacManagerRef& operator=(const TacManagerRef&) = delete;

    TacManagerRef& operator=(TsSkinManager* Manager) {
        Reset(Manager);
        return *this;
    }
    operator TsSkinManager*() const { return FManager; }
    TsSkinManager* operator->() const { return FManager; }
    TsSkinManager* Get() const { return FManager; }
    // Names Manager from now on (nil: none). A manager that has already let go of what names it is not named.
    void Reset(TsSkinManager* Manager);

protected:
    // The manager named here is going; the reference is already clear.
    virtual void ManagerGone() {}

private:
    friend class TsSkinManager;

    TsSkinManager* FManager = nullptr;
    // The manager's list of what names it.
    TacManagerRef* FPrev = nullptr;
    TacManagerRef* FNext = nullptr;
};
