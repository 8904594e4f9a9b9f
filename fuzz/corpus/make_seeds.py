#!/usr/bin/env python3
"""Rebuilds the decoder fuzz seeds from the shared RAR corpus.

Each decoder seed is the harness's parameter bytes followed by the packed
data of a member of a real archive (made by the RAR tool) from the shared
test corpus, cut out at the byte offsets below. The parameter layouts are
described at the top of fuzz/lz_member_harness.h (v15, v20),
fuzz/v29_v50_harness.h (v29, v50) and fuzz/fuzz_ppmd.cpp (PPMd).

    make_seeds.py            check that the seeds in this folder match
    make_seeds.py --write    write them again

The corpus folder defaults to ../shared/testdata/rar next to the checkout
(SETUPKIT_SHARED_DIR/testdata/rar); pass --corpus DIR to change it.

The rar_headers seeds are small archives made by hand when the header
harness was written (stored, split, encrypted and SFX forms of RAR 1.4, 4
and 5); they are not derived from the corpus and are not rebuilt here.
"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# seed -> parts: bytes.fromhex(...) literals and (archive, offset, length)
# slices of corpus files. The comment names the member whose packed data
# the slice is.
SEEDS = {
    # PPMd: flags, [memory], 16-bit character count, then the stream.
    "fuzz_ppmd/license": ["630e6b00", ("junrar/BoatModernEnglish-audio-text-unpack30.rar", 24427, 103)],  # LICENSE.txt
    "fuzz_ppmd/lipsum": ["630ebb0d", ("unarr/lipsum_rar4_ppmd.rar", 75, 735)],  # lorem_ipsum.txt
    # A stream whose model outgrows its memory and restarts.
    "fuzz_ppmd/order64-model-too-small": ["7e008cbd", ("junrar/legit-maxmb63.rar", 74, 8065)],  # final_payload.txt
    # v15 and v20: member count, flags, 16-bit size, then the stream.
    "fuzz_v15/rar15-license": ["00006b00", ("junrar/BoatModernEnglish-regular-unpack15-dos.rar", 42849, 99)],  # LICENSE.TXT
    "fuzz_v15/rar15-text": ["00008a3c", ("sharpcompress/Rar15.rar", 57650, 2815)],  # TECT.TXT
    "fuzz_v20/rar20-audio": ["000890dc", ("junrar/BoatModernEnglish-audio-text-unpack20.rar", 73, 27902)],  # the .wav (audio blocks)
    "fuzz_v20/rar20-text": ["00108a3c", ("sharpcompress/Rar2.rar", 57528, 2706)],  # тест.txt
    # v29 and v50: member count, then per member flags, 24-bit size and (but
    # for the last) a 16-bit packed size.
    "fuzz_v29/audio-filter": ["000490dc00", ("junrar/BoatModernEnglish-audio-text-unpack30.rar", 78, 24298)],  # audio filter
    "fuzz_v29/delta-filter": ["0004bb0d00", ("unarr/lipsum_rar4_delta.rar", 72, 767)],  # delta filter
    "fuzz_v29/exe-filter": ["000400b000", ("sharpcompress/Rar4.rar", 69, 18037)],  # exe/test.exe, E8 filter
    "fuzz_v29/ppmd": ["0004bb0d00", ("unarr/lipsum_rar4_ppmd.rar", 72, 738)],  # PPMd block
    "fuzz_v29/rtf": ["0004520d00", ("junrar/tika-documents.rar", 64369, 1288)],  # an .rtf member
    "fuzz_v29/solid-pair": ["01100008005c00", ("rarfile/rar3-solid.rar", 64, 92),  # stest1.txt
                            "12000800", ("rarfile/rar3-solid.rar", 200, 14)],  # stest2.txt, solid
    "fuzz_v50/exe-filter": ["000000b000", ("sharpcompress/Rar5.comment.rar", 120, 17943)],  # exe/test.exe, E8 filter
    "fuzz_v50/lz-small": ["0000b00400", ("libarchive/test_read_format_rar5_win32.rar", 103, 361)],
    "fuzz_v50/solid-pair": ["010c0008003a00", ("rarfile/rar5-solid.rar", 57, 58),  # stest1.txt
                            "0e000800", ("rarfile/rar5-solid.rar", 148, 13)],  # stest2.txt, solid
    "fuzz_v50/text": ["00008a3c00", ("sharpcompress/Rar.multi.solid.part01.rar", 88, 2728)],  # тест.txt
}


def build(corpus, parts):
    out = b""
    for part in parts:
        if isinstance(part, str):
            out += bytes.fromhex(part)
        else:
            name, offset, length = part
            with open(os.path.join(corpus, name), "rb") as f:
                data = f.read()
            if offset + length > len(data):
                sys.exit(f"{name}: slice {offset}+{length} past the end")
            out += data[offset:offset + length]
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--write", action="store_true")
    ap.add_argument("--corpus", default=os.path.join(HERE, "..", "..", "..", "shared", "testdata", "rar"))
    args = ap.parse_args()
    bad = 0
    for seed, parts in SEEDS.items():
        data = build(args.corpus, parts)
        path = os.path.join(HERE, seed)
        if args.write:
            with open(path, "wb") as f:
                f.write(data)
            continue
        with open(path, "rb") as f:
            if f.read() != data:
                print(f"{seed}: differs from what the corpus gives")
                bad += 1
    if not args.write:
        print(f"{len(SEEDS) - bad} of {len(SEEDS)} seeds match")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
