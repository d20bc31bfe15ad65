#!/bin/sh
# Rebuilds the tagged audio fixtures of tests/data with sox and metaflac (silence, 0.05 s).
set -eu
cd "$(dirname "$0")"
silence() { sox -n -r 8000 -c 1 "$@" trim 0 0.05; }
silence album_disc1_b.flac
metaflac --set-tag="TITLE=Second Song" --set-tag="ARTIST=The Band" --set-tag="ALBUM=The Album" \
    --set-tag="TRACKNUMBER=2/2" --set-tag="DISCNUMBER=1" album_disc1_b.flac
silence album_disc1_a.flac
metaflac --set-tag="TITLE=First Song" --set-tag="ARTIST=The Band" --set-tag="ALBUM=The Album" \
    --set-tag="TRACKNUMBER=1" album_disc1_a.flac
silence --comment "TITLE=Encore" --add-comment "ARTIST=A Guest" --add-comment "ALBUMARTIST=The Band" \
    --add-comment "TRACKNUMBER=1" --add-comment "DISCNUMBER=2" album_disc2.ogg
silence "album untagged.wav"
printf 'fLaC but not really' > album_broken.flac
