#include "signlib/PemBlocks.h"

#include "signlib/OpenSslPtr.h"
#include "signlib/SignLibraryError.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <climits>

namespace korvel::signlib {

namespace {

struct TPemParts {
    char* Name = nullptr;
    char* Header = nullptr;
    unsigned char* Data = nullptr;
    long Length = 0;

    ~TPemParts()
    {
        OPENSSL_free(Name);
        OPENSSL_free(Header);
        OPENSSL_clear_free(Data, static_cast<std::size_t>(Length > 0 ? Length : 0));
    }
};

}  // namespace

bool ContainsPemBlock(std::string_view ABytes)
{
    return ABytes.find("-----BEGIN ") != std::string_view::npos;
}

std::vector<TPemBlock> ReadPemBlocks(std::string_view ABytes, unsigned long AErrorCode)
{
    if (ABytes.size() > INT_MAX)
        Fail(AErrorCode, "PEM text too long");
    TBioPtr in(BIO_new_mem_buf(ABytes.data(), static_cast<int>(ABytes.size())));
    if (!in)
        throw std::bad_alloc();
    std::vector<TPemBlock> blocks;
    for (;;) {
        TPemParts parts;
        ERR_clear_error();
        if (PEM_read_bio(in.get(), &parts.Name, &parts.Header, &parts.Data, &parts.Length) != 1) {
            // Running out of begin lines is the normal end; anything else is a broken block.
            const bool end = ERR_GET_REASON(ERR_peek_last_error()) == PEM_R_NO_START_LINE;
            ERR_clear_error();
            if (end)
                return blocks;
            Fail(AErrorCode, "broken PEM block");
        }
        blocks.push_back(
            {parts.Name, parts.Header,
             std::string(reinterpret_cast<const char*>(parts.Data), static_cast<std::size_t>(parts.Length))});
    }
}

}  // namespace korvel::signlib
