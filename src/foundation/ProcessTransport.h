#pragma once

// The show-request channel: a block of shared memory of one page, named "/" + Name, that holds a
// NUL-terminated UTF-16 text (native byte order). Another local program of the same user writes
// "show" into it; the window answers "show_ok".

#include "foundation/UniqueFd.h"

#include <cstddef>
#include <string>

namespace korvel {

class PT_File {
public:
    PT_File() = default;
    ~PT_File();
    PT_File(PT_File&& AOther) noexcept;
    PT_File& operator=(PT_File&& AOther) noexcept;
    PT_File(const PT_File&) = delete;
    PT_File& operator=(const PT_File&) = delete;

    // Makes a fresh block under AName and maps it for writing; the name goes away when this owner
    // closes it. Gives a closed block when it cannot be made or mapped.
    static PT_File Create(const std::string& AName);
    // Maps the block another process made; a closed block when there is none of this user's.
    static PT_File Open(const std::string& AName);

    bool IsOpen() const { return FMemoryAdress != nullptr; }
    // The text up to its NUL or the block's end, as UTF-8; "" when the block is closed.
    std::string Read() const;
    // False when the block is closed or the text with its NUL does not fit.
    bool Write(const std::string& AText);
    // Unmaps and closes; the owner also removes the name, unless a newer block has taken it.
    void Close();

    const std::string& Name() const { return FName; }
    int Handle() const { return FHandle.Get(); }
    // The mapped bytes: a whole page.
    std::size_t Size() const { return FSize; }
    void* MemoryAdress() const { return FMemoryAdress; }

private:
    bool Map(std::size_t ASize);
    bool NameStillRefersToThisBlock() const;

    std::string FName;
    TUniqueFd FHandle;
    std::size_t FSize = 0;
    void* FMemoryAdress = nullptr;
    bool FOwner = false;
};

// "Korvel" followed by the current user's name.
std::string ShowRequestName();

}  // namespace korvel
