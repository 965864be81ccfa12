#!/usr/bin/env bash
# Real printer queues for the print tests and the demo: CUPS with the PDF printer "PDF" as the
# default queue, and "Refuser", a queue that rejects every job. Every job printed on "PDF" lands
# as a PDF file in one fixed folder, whoever prints it:
#
#   scripts/printer.sh            install when missing, start cupsd, add the queues; prints the
#                                 folder the PDFs land in
#
# Needs root (the packages, cupsd and the queue). Safe to run again: it changes only what is
# missing. The folder is KOVEL_PDF_DIR when set, else /var/spool/cups-pdf/kovel.
set -euo pipefail

pdf_dir=${KOVEL_PDF_DIR:-/var/spool/cups-pdf/kovel}
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

pkgs=(cups cups-bsd printer-driver-cups-pdf poppler-utils)
missing=()
for p in "${pkgs[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "printer: installing ${missing[*]}" >&2
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# cups-pdf writes into ${HOME}/PDF of the user who printed by default: root's home for CI, the
# user's own otherwise. One fixed folder instead, so that tests know where to look.
conf=/etc/cups/cups-pdf.conf
if ! grep -qx "Out $pdf_dir" "$conf"; then
    $SUDO sed -i -e '/^Out[[:space:]]/d' "$conf"
    echo "Out $pdf_dir" | $SUDO tee -a "$conf" >/dev/null
fi
$SUDO mkdir -p "$pdf_dir"
$SUDO chmod 1777 "$pdf_dir"

# cupsd: started here when no scheduler answers (CI has no service manager running).
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    $SUDO cupsd
    for _ in $(seq 100); do
        lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.1
    done
    lpstat -r 2>/dev/null | grep -q "is running" ||
        { echo "printer: cupsd did not start" >&2; exit 1; }
fi

if ! lpstat -p PDF >/dev/null 2>&1; then
    $SUDO lpadmin -p PDF -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -E
fi
# A second queue that rejects every job: the tests' failing printer.
if ! lpstat -p Refuser >/dev/null 2>&1; then
    $SUDO lpadmin -p Refuser -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd -E
fi
$SUDO cupsreject Refuser
$SUDO cupsenable PDF
$SUDO cupsaccept PDF
$SUDO lpadmin -d PDF
lpoptions -d PDF >/dev/null
echo "$pdf_dir"
