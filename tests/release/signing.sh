#!/bin/bash
# Signs a copy of the .scr with a throwaway self-signed certificate through
# packaging/sign, and checks that osslsigncode accepts the signature against it.
#   signing.sh SCR WORKDIR
set -euo pipefail
scr=$1 work=$2
sign=$(cd "$(dirname "$0")/../../packaging" && pwd)/sign
rm -rf "$work" && mkdir -p "$work" && cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=Brisel test signer" -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.p12 -passout pass:throwaway
cp "$scr" signed.scr
SIGN_PKCS12=cert.p12 SIGN_PASSWORD=throwaway SIGN_TIMESTAMP_URL= "$sign" signed.scr
osslsigncode verify -CAfile cert.pem -in signed.scr
! SIGN_PKCS12=cert.p12 SIGN_PASSWORD=throwaway SIGN_TIMESTAMP_URL=http://127.0.0.1:9/ "$sign" signed.scr 2>/dev/null
