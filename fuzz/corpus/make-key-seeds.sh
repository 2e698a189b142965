#!/usr/bin/env bash
# Makes the seeds of the key-file and JKS fuzz targets: small throw-away keys, password "fuzzing", in
# every container the signing library reads. Run again only to change the seeds; they are
# committed. Needs openssl and Java's keytool.
set -euo pipefail
cd "$(dirname "$0")"
export LC_ALL=C.UTF-8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pass=fuzzing
rm -f keyfile/* jks/*

openssl ecparam -name prime256v1 -genkey -noout -out "$work/ec.pem"
openssl req -new -x509 -key "$work/ec.pem" -subj "/C=UA/O=Fuzz/CN=Fuzz Signer/serialNumber=TINUA-1234567890" \
  -days 3650 -out "$work/ec.crt"

openssl pkcs12 -export -inkey "$work/ec.pem" -in "$work/ec.crt" -passout "pass:$pass" -out keyfile/modern.pfx
openssl pkcs12 -export -legacy -inkey "$work/ec.pem" -in "$work/ec.crt" -passout "pass:$pass" -out keyfile/legacy.p12
openssl pkcs8 -topk8 -in "$work/ec.pem" -v2 aes-256-cbc -passout "pass:$pass" -outform DER -out keyfile/encrypted.pk8
openssl pkcs8 -topk8 -in "$work/ec.pem" -nocrypt -outform DER -out keyfile/plain.dat
openssl pkcs8 -topk8 -in "$work/ec.pem" -v2 aes-256-cbc -passout "pass:$pass" -out keyfile/encrypted.pem
{ openssl pkcs8 -topk8 -in "$work/ec.pem" -nocrypt; cat "$work/ec.crt"; } >keyfile/key-and-certificate.pem
cp "$work/ec.pem" keyfile/traditional.pem

keytool -J-Duser.language=en -genkeypair -keystore jks/store.jks -storetype JKS -storepass "$pass" -keypass "$pass" \
  -alias fuzz -keyalg EC -groupname secp256r1 -validity 3650 -dname "CN=Fuzz Signer,C=UA" 2>/dev/null
keytool -J-Duser.language=en -importcert -noprompt -keystore jks/store.jks -storepass "$pass" -alias ca \
  -file "$work/ec.crt" 2>/dev/null
cp jks/store.jks keyfile/store.jks
