#include "tools/board/BoardDevices.h"

#include "port/bitbang/BoardProblem.h"
#include "port/bitbang/D2xx_win.h"

#include <stdexcept>

namespace kovir {

namespace {

class D2xxEeprom final : public EepromAccess {
public:
    D2xxEeprom(const D2xx& library, D2xx::Handle handle) : library_(library), handle_(handle) {}
    ~D2xxEeprom() override { library_.close(handle_); }
    D2xxEeprom(const D2xxEeprom&) = delete;
    D2xxEeprom& operator=(const D2xxEeprom&) = delete;

    std::uint16_t Read(std::size_t word) override
    {
        WORD value = 0;
        Check("FT_ReadEE", library_.readEE(handle_, static_cast<DWORD>(word), &value));
        return value;
    }

    void Write(const std::vector<std::uint16_t>& words) override
    {
        for (std::size_t i = 0; i < words.size(); ++i) {
            Check("FT_WriteEE", library_.writeEE(handle_, static_cast<DWORD>(i), words[i]));
        }
    }

    bool Reset() override { return library_.cyclePort(handle_) == D2xx::Ok; }

private:
    static void Check(const char* call, D2xx::Status status)
    {
        if (status != D2xx::Ok) {
            throw std::runtime_error(D2xx::StatusText(call, status) + ".");
        }
    }

    const D2xx& library_;
    D2xx::Handle handle_;
};

} // namespace

struct BoardDevices::Listed {
    D2xx library;
    std::vector<D2xx::Listed> d2xx = library.List();
    std::vector<FtdiDevice> devices;
};

BoardDevices::BoardDevices() : listed_(std::make_unique<Listed>())
{
    for (const D2xx::Listed& d : listed_->d2xx) {
        listed_->devices.push_back(d.device);
    }
}

BoardDevices::~BoardDevices() = default;

std::string BoardDevices::NoneFoundHint() const
{
    return listed_->library.Usable()
               ? ""
               : "Biblioteka ftd2xx.dll nije pronađena pored programa ni u sistemskoj fascikli: "
                 "instalirajte FTDI-jev upravljački program (D2XX), koji je donosi.";
}

const std::vector<FtdiDevice>& BoardDevices::List() const
{
    return listed_->devices;
}

std::unique_ptr<EepromAccess> BoardDevices::Open(std::size_t index)
{
    const D2xx::Listed& d = listed_->d2xx.at(index);
    const D2xx& library = listed_->library;
    BoardProblem problem;
    problem.serial = d.device.serial;
    problem.device = d.device.place;
    if (!library.readEE || !library.writeEE || !library.cyclePort) {
        problem.reason = "biblioteka ftd2xx.dll nema FT_ReadEE, FT_WriteEE i FT_CyclePort";
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
    D2xx::Handle handle = nullptr;
    const D2xx::Status opened =
        d.openElsewhere ? D2xx::DeviceNotOpened
                        : library.openEx(reinterpret_cast<void*>(static_cast<std::uintptr_t>(d.location)),
                                         D2xx::OpenByLocation, &handle);
    if (opened != D2xx::Ok) {
        problem.fault = opened == D2xx::DeviceNotOpened ? BoardFault::Busy : BoardFault::System;
        problem.reason = D2xx::StatusText("FT_OpenEx", opened);
        throw std::runtime_error(DescribeBoardProblem(problem));
    }
    return std::make_unique<D2xxEeprom>(library, handle);
}

} // namespace kovir
