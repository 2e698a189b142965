#include "signlib/TimeStampClient.h"

#include "signlib/OpenSslPtr.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"
#include "signlib/TimeStampTransport.h"

#include <openssl/bn.h>
#include <openssl/rand.h>

namespace korvel::signlib {

namespace {

constexpr int NonceBytes = 8;

void RequireQuery(bool ACondition)
{
    Require(ACondition, EU_ERROR_SIGN, "time-stamp query could not be built");
}

void RequireReply(bool ACondition, const char* AWhat)
{
    Require(ACondition, EU_ERROR_TSP_RESPONSE, AWhat);
}

TTsMsgImprintPtr Sha256Imprint(const TBytes& ASha256)
{
    TTsMsgImprintPtr imprint(TS_MSG_IMPRINT_new());
    TX509AlgorPtr algorithm(X509_ALGOR_new());
    RequireQuery(imprint != nullptr && algorithm != nullptr);
    // Parameters NULL rather than absent: older servers insist on it.
    RequireQuery(X509_ALGOR_set0(algorithm.get(), OBJ_nid2obj(NID_sha256), V_ASN1_NULL, nullptr) == 1);
    RequireQuery(TS_MSG_IMPRINT_set_algo(imprint.get(), algorithm.get()) == 1);
    RequireQuery(TS_MSG_IMPRINT_set_msg(imprint.get(), const_cast<unsigned char*>(ASha256.data()),
                                        static_cast<int>(ASha256.size())) == 1);
    return imprint;
}

TAsn1IntegerPtr RandomNonce()
{
    unsigned char bytes[NonceBytes];
    RequireQuery(RAND_bytes(bytes, sizeof bytes) == 1);
    TBignumPtr number(BN_bin2bn(bytes, sizeof bytes, nullptr));
    RequireQuery(number != nullptr);
    TAsn1IntegerPtr nonce(BN_to_ASN1_INTEGER(number.get(), nullptr));
    RequireQuery(nonce != nullptr);
    return nonce;
}

TTsReqPtr MakeQuery(const TBytes& ASha256)
{
    TTsReqPtr query(TS_REQ_new());
    RequireQuery(query != nullptr);
    RequireQuery(TS_REQ_set_version(query.get(), 1) == 1);
    RequireQuery(TS_REQ_set_msg_imprint(query.get(), Sha256Imprint(ASha256).get()) == 1);
    RequireQuery(TS_REQ_set_nonce(query.get(), RandomNonce().get()) == 1);
    RequireQuery(TS_REQ_set_cert_req(query.get(), 1) == 1);
    return query;
}

TTsRespPtr DecodeReply(const TBytes& AReply)
{
    const unsigned char* in = AReply.data();
    TTsRespPtr reply(d2i_TS_RESP(nullptr, &in, static_cast<long>(AReply.size())));
    RequireReply(reply != nullptr && in == AReply.data() + AReply.size(), "not a time-stamp reply");
    return reply;
}

// Status granted, TSTInfo version 1, the imprint and the nonce of the query.
void CheckAnswersQuery(TS_REQ* AQuery, TS_RESP* AReply)
{
    TTsVerifyCtxPtr check(TS_REQ_to_TS_VERIFY_CTX(AQuery, nullptr));
    Require(check != nullptr, EU_ERROR_NOT_ENOUGH_MEMORY, "time-stamp check");
    RequireReply(TS_RESP_verify_response(check.get(), AReply) == 1, "time-stamp reply does not answer the query");
}

// The token's signature against the certificate inside it; no chain is built here.
void CheckTokenSignature(const TBytes& AToken)
{
    const unsigned char* in = AToken.data();
    TCmsPtr token(d2i_CMS_ContentInfo(nullptr, &in, static_cast<long>(AToken.size())));
    RequireReply(token != nullptr, "time-stamp token unreadable");
    RequireReply(CMS_verify(token.get(), nullptr, nullptr, nullptr, nullptr, CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY) ==
                     1,
                 "time-stamp token signature does not verify");
}

}  // namespace

TBytes RequestTimeStampToken(const std::string& AUrl, const TBytes& ASha256, const TServerSettings& AProxy)
{
    TTsReqPtr query = MakeQuery(ASha256);
    const TTsRespPtr reply = DecodeReply(PostTimeStampQuery(AUrl, EncodeDer(query.get(), i2d_TS_REQ), AProxy));
    CheckAnswersQuery(query.get(), reply.get());
    const PKCS7* token = TS_RESP_get_token(reply.get());
    RequireReply(token != nullptr, "time-stamp reply without a token");
    TBytes der = EncodeDer(token, i2d_PKCS7);
    CheckTokenSignature(der);
    return der;
}

}  // namespace korvel::signlib
