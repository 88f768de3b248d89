#!/bin/sh
# Makes, in the folder given, a certification authority of our own (ca.pem) and three certificates
# it signed, each with its key (<name>-key.pem): valid.pem for the address given, wrong-name.pem
# for another name, and expired.pem for the address but valid only on the first day of 2020.
#
# Usage: make_test_ca.sh <folder> <IPv4 address>
set -eu
cd "$1"
# The name also as a DNS entry: Wine matches a host given as an address only against those.
address="IP:$2,DNS:$2"
export SAN="$address"

cat >ca.cnf <<'CNF'
[req]
distinguished_name = dn
prompt = no
[dn]
CN = Tarrow Test CA
[ca_ext]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[leaf_ext]
basicConstraints = CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = $ENV::SAN
[ca]
default_ca = test_ca
[test_ca]
database = index.txt
new_certs_dir = .
certificate = ca.pem
private_key = ca-key.pem
serial = serial
default_md = sha256
policy = any_name
unique_subject = no
[any_name]
commonName = supplied
CNF
: >index.txt
echo 1000 >serial

key="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
# shellcheck disable=SC2086
openssl req -x509 -config ca.cnf -extensions ca_ext $key -days 2 -keyout ca-key.pem -out ca.pem 2>/dev/null

# leaf <name> <subject alternative name> <validity options of openssl ca>
leaf() {
    name=$1
    SAN=$2
    shift 2
    # shellcheck disable=SC2086
    openssl req -new -config ca.cnf -subj "/CN=$name" $key -keyout "$name-key.pem" -out "$name.csr" 2>/dev/null
    openssl ca -batch -config ca.cnf -extensions leaf_ext -notext -in "$name.csr" -out "$name.pem" "$@" 2>/dev/null
}
leaf valid "$address" -days 2
leaf wrong-name DNS:nome.errado.invalid -days 2
leaf expired "$address" -startdate 20200101000000Z -enddate 20200102000000Z
