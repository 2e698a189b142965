#!/usr/bin/env bash
# Makes the JKS key stores of the signing library's tests with Java's keytool, and the certificates
# the tests compare with. Run it again only to change the fixtures; the results are committed so
# that the tests need no Java.
#
#   korvel-test.jks   store password "storepass"
#     signer  EC P-256, key password "signerpass", chain: signer, test CA
#     ca      the test CA's certificate (a trusted-certificate entry)
#     second  RSA 2048, self-signed, key password "другий-пароль" (Cyrillic: the key protector
#             works on the password's UTF-16 code units)
#   signer.crt, ca.crt, second.crt   the certificates, PEM
set -euo pipefail
cd "$(dirname "$0")"
export LC_ALL=C.UTF-8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

store=korvel-test.jks
storepass=storepass
validity=9000
rm -f "$store"

keytool() { command keytool -J-Duser.language=en "$@"; }

# The test CA, in a store of its own.
keytool -genkeypair -keystore "$work/ca.jks" -storetype JKS -storepass "$storepass" -keypass "$storepass" \
  -alias ca -keyalg EC -groupname secp256r1 -sigalg SHA256withECDSA -validity "$validity" \
  -dname "CN=Тестовий ЦСК,O=Korvel Test,C=UA" -ext bc:c
keytool -exportcert -rfc -keystore "$work/ca.jks" -storepass "$storepass" -alias ca -file ca.crt

# The signer: a key pair, then its certificate from the CA, chained.
keytool -genkeypair -keystore "$store" -storetype JKS -storepass "$storepass" -keypass signerpass \
  -alias signer -keyalg EC -groupname secp256r1 -sigalg SHA256withECDSA -validity "$validity" \
  -dname "CN=Шевченко Тарас Григорович,O=ТОВ Кобзар,SERIALNUMBER=TINUA-1234567890,OID.2.5.4.97=NTRUA-12345678,C=UA"
keytool -certreq -keystore "$store" -storepass "$storepass" -keypass signerpass -alias signer -file "$work/signer.csr"
keytool -gencert -keystore "$work/ca.jks" -storepass "$storepass" -alias ca -infile "$work/signer.csr" \
  -outfile "$work/signer.crt" -rfc -validity "$validity" -ext ku:c=digitalSignature,nonRepudiation
keytool -importcert -noprompt -keystore "$store" -storepass "$storepass" -alias ca -file ca.crt
keytool -importcert -noprompt -keystore "$store" -storepass "$storepass" -keypass signerpass -alias signer \
  -file "$work/signer.crt"
keytool -exportcert -rfc -keystore "$store" -storepass "$storepass" -alias signer -file signer.crt

# A second key: RSA, self-signed.
keytool -genkeypair -keystore "$store" -storetype JKS -storepass "$storepass" -keypass "другий-пароль" \
  -alias second -keyalg RSA -keysize 2048 -sigalg SHA256withRSA -validity "$validity" \
  -dname "CN=Франко Іван Якович,O=ПП Каменяр,SERIALNUMBER=TINUA-2345678901,C=UA"
keytool -exportcert -rfc -keystore "$store" -storepass "$storepass" -alias second -file second.crt

keytool -list -keystore "$store" -storepass "$storepass"
