#!/bin/bash
# Makes every sound of the game into assets/sounds/ from nothing but a speech
# synthesiser, sox and ffmpeg, so anyone on Debian 12 can rebuild them bit for
# bit with:  tools/make-sounds.sh [OUTDIR]
#
# Needs: festival + festvox-us-slt-hts (text2wave), sox + libsox-fmt-all, ffmpeg.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
OUT=${1:-"$HERE/../assets/sounds"}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
# Repeatable mode: sox seeds its dither and noise generators the same way
# every run, so regenerating leaves unchanged sounds byte-identical in git.
export SOX_OPTS="-R"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# Every sound is set to one loudness, so that no letter is harder to hear
# than the next and no jingle or click startles after a letter: TARGET LUFS as
# tools/loudness.sh measures it (EBU R128, over the sound repeated; it says why).
# When the letters were set by their peaks they spread from -20.7 to -11.5
# LUFS (median -14.7); -16 keeps them near that, with peaks to spare for all
# but two letters. A look-ahead LIMITER (5 ms attack, 50 ms release) holds
# the peaks at CEILING where the gain would lift them higher: the two
# letters whose loudness sits in one short loud part, "bee" (its burst and
# vowel onset) and "en" (the vowel before the quiet nasal), lose 5.9 and 4.6
# dB of peak, the others under 1 dB. ffmpeg works in floating point, so
# nothing clips between the gain and the limiter; the limiter takes a little
# loudness with it, so the gain is found by measuring again until the sound
# is within 0.1 LU of TARGET.
TARGET=-16
CEILING=-1.5dB
LIMITER="alimiter=limit=$CEILING:attack=5:release=50:level=false:latency=true"

level() { # in.wav out.wav: 32-bit, TARGET LUFS, no peak above CEILING
    local gain=0 lufs miss
    for _ in 1 2 3 4 5 6 7 8; do
        ffmpeg -nostdin -v error -y -i "$1" -c:a pcm_s32le -af "volume=${gain}dB,$LIMITER" "$2"
        lufs=$("$HERE/loudness.sh" "$2" | cut -f1)
        miss=$(awk -v t="$TARGET" -v l="$lufs" 'BEGIN { print t - l }')
        awk -v m="$miss" 'BEGIN { exit !(m < -0.1 || m > 0.1) }' || return 0
        gain=$(awk -v g="$gain" -v m="$miss" 'BEGIN { print g + m }')
    done
    echo "make-sounds.sh: $1 stays at $lufs LUFS, not $TARGET" >&2
    exit 1
}

# The game plays 8-bit unsigned mono. The dither on the way down to 8 bits
# was chosen by measurement: each of sox's choices at 22050 Hz made the 26
# letters and the five jingles from the same levelled 32-bit sounds, and the
# difference from those is the 8-bit error (mean over the letters, dBFS):
#
#   dither            error  1-5 kHz  in jingles' quiet   recogniser: right
#                     (all)  (ear's   tails: error power  name of 130 (26
#                            keenest) in its top 1% bins  letters x 5 offsets)
#   none (-D)         -53.0  -57.3    37-53 % (buzz)      72
#   TPDF (dither)     -48.2  -52.5     5-6 %              72
#   sloped TPDF (-S)  -48.2  -54.9     7-8 %              76
#   shibata (-s)      -45.6  -53.4    16-24 %             69
#   (32-bit source)                                       78
#
# The recogniser is pocketsphinx (Debian's en-us model) held to the 26 letter
# names, each letter fed 5 times, shifted by 0, 2, 4, 6 and 8 ms, so that
# where its 10 ms frames fall does not decide. No dither leaves the least
# error, but on the pure tones of the jingles' decays it is tonal
# (distortion, heard as buzz);
# shibata, the only noise shaping sox has at 22050 Hz, adds noise. Sloped
# TPDF tilts plain TPDF's noise upwards, out of 1-5 kHz, and kept the most
# letters recognisable: it is the one used.
PCM8=(-c 1 -b 8 -e unsigned-integer)
DITHER=(dither -S)

pcm8() { # in.wav out.wav
    sox "$1" "${PCM8[@]}" "$2" "${DITHER[@]}"
}

# ---------------------------------------------------------------------------
# Letter names, 201..226, in keyboard order (Q W E ... P, A ... L, Z ... M).
#
# Voice: festival's female HTS voice (cmu_us_slt_arctic_hts). Compared with
# flite's slt (16 kHz, so nothing above 8 kHz) and espeak-ng's formant voices
# (robotic, with a long buzzy tail), it is the most natural female voice
# Debian has, and it synthesises at 32 kHz, so the hiss of S/F/Z and the
# bursts of B/D/P/T survive up to the 11 kHz that 22050 Hz playback keeps.
# Those are exactly the cues that tell the hard pairs apart.
#
# Each letter is spelt as the word a child hears ("bee", not "B"), because
# the synthesiser reads a lone capital "A" as the article. H is "aych": the
# dictionary's "aitch" comes out as a thump and "ch" without its vowel.
#
# RATE is the synthesiser's own speaking-rate factor (hts_engine -r; below 1
# is slower). Isolated letter names come out clipped (about 0.2 s for "ee"),
# so the short ones are spoken more slowly by the voice itself, which sounds
# far more natural than stretching the recording afterwards.
# TEMPO is a pitch-preserving sox tempo change applied after trimming, kept
# for any name still outside the window; 1 means untouched.
# Every name must end up 0.30-0.69 s long (the game's step is 700 ms); these
# factors aim at roughly 0.40-0.60 s.
#
#   id  letter word      RATE  TEMPO
LETTERS="
201 q cue        0.85  1
202 w double-u   1.00  1.05
203 e ee         0.45  1
204 r are        0.76  1
205 t tee        0.62  1
206 y why        0.95  1
207 u you        0.67  1
208 i eye        0.74  1
209 o oh         0.57  1
210 p pee        0.46  1
211 a ay         0.76  1
212 s ess        0.64  1
213 d dee        0.48  1
214 f eff        0.45  1
215 g gee        0.67  1
216 h aych       0.65  1
217 j jay        0.98  1
218 k kay        0.88  1
219 l ell        0.69  1
220 z zee        0.76  1
221 x ex         0.71  1
222 c see        0.81  1
223 v vee        0.69  1
224 b bee        0.46  1
225 n en         0.55  1
226 m em         0.46  1
"

speak() { # word rate out.wav
    echo "$1" | text2wave -o "$3" \
        -eval '(voice_cmu_us_slt_arctic_hts)' \
        -eval "(set! hts_engine_params (append hts_engine_params (list (list \"-r\" $2))))" \
        >/dev/null 2>&1
}

while read -r id _ word rate tempo; do
    [ -n "$id" ] || continue
    speak "$word" "$rate" "$WORK/raw.wav"
    # Normalise before trimming so the -50 dB threshold means the same thing
    # for every letter; trim both ends by trimming, reversing and trimming.
    sox "$WORK/raw.wav" "$WORK/trim.wav" norm -1 \
        silence 1 0.01 -50d reverse silence 1 0.01 -50d reverse
    # A separate pass: fade needs a known length, which silence destroys.
    tempo_fx=()
    [ "$tempo" = 1 ] || tempo_fx=(tempo -s "$tempo")
    sox "$WORK/trim.wav" "$WORK/fit.wav" "${tempo_fx[@]}" \
        fade h 0.005 reverse fade h 0.005 reverse
    sox "$WORK/fit.wav" -e floating-point -b 32 "$WORK/22k.wav" rate -v 22050
    level "$WORK/22k.wav" "$WORK/level.wav"
    pcm8 "$WORK/level.wav" "$OUT/$id.wav"
done <<< "$LETTERS"

# ---------------------------------------------------------------------------
# Effects. Each note is rendered to its own file, delayed to its onset with
# pad, then all notes are mixed. A soft attack and a logarithmic decay make a
# mallet/bell tone instead of an organ beep; FADE=h gives a held, sung note.

note() { # out rate start dur volume synth-args...
    local out=$1 rate=$2 start=$3 dur=$4 vol=$5; shift 5
    sox -n -r "$rate" -c 1 -b 16 "$out" synth "$dur" "$@" \
        fade "${FADE:-l}" 0.004 "$dur" "$(awk "BEGIN{print $dur*0.9}")" \
        vol "$vol" pad "$start"
}

mixdown() { # rate samples out.wav inputs... (exact length in samples)
    local rate=$1 n=$2 out=$3; shift 3
    if [ $# -gt 1 ]; then sox -m "$@" "$WORK/mix.wav"; else cp "$1" "$WORK/mix.wav"; fi
    # Cut or pad to the exact length the game expects, and fade the very end
    # so a cut never clicks; norm only keeps the mix from clipping on the way.
    # (-V1: pad rightly warns that trim stops before the padding ends.)
    sox -V1 "$WORK/mix.wav" -r "$rate" -e floating-point -b 32 "$WORK/len.wav" norm -1 pad 0 3 \
        trim 0 "${n}s" fade h 0 "${n}s" 0.01
    level "$WORK/len.wav" "$WORK/level.wav"
    pcm8 "$WORK/level.wav" "$out"
}

# Marimba-like: fundamental plus a quiet 4th harmonic (the marimba's tuned
# overtone), both decaying.
marimba() { # out start dur freq vol
    note "$1" 22050 "$2" "$3" "$5" sine "$4" sine mix "$(awk "BEGIN{print $4*4}")"
}

# 102: round completed. A rising C-major arpeggio that lands on a chord,
# exactly 2.00 s.
i=0; files=()
for tone in "0.00 523.25" "0.18 659.25" "0.36 783.99" "0.54 1046.50" \
            "0.90 1046.50" "0.90 1318.51" "0.90 783.99"; do
    # shellcheck disable=SC2086 # a tone's fields, split into $1, $2 ...
    set -- $tone
    dur=0.5; [ "$1" = 0.90 ] && dur=1.1
    marimba "$WORK/n$i.wav" "$1" "$dur" "$2" 0.5
    files+=("$WORK/n$i.wav"); i=$((i+1))
done
mixdown 22050 44100 "$OUT/102.wav" "${files[@]}"

# 103: correct answer. A bright, very short tick: a high tone that drops in
# pitch as it dies away, with a hint of noise for the attack. The game reads
# this one as Microsoft ADPCM stereo; sox picks 1024-byte blocks at 22050 Hz,
# and one such block holds 1012 frames (45.9 ms), so the tick is made to fit
# exactly one block and dies away just before its end.
# (synth lengths are given in seconds: a length in samples would be counted
# at sox's default rate, not at 22050 Hz.)
sox -n -r 22050 -c 1 -b 16 "$WORK/t1.wav" synth 0.045 sine 2600-1400 fade h 0.001 0.045 0.04
sox -n -r 22050 -c 1 -b 16 "$WORK/t2.wav" synth 0.045 pinknoise fade h 0.001 0.045 0.043 vol 0.25
sox -m "$WORK/t1.wav" "$WORK/t2.wav" -e floating-point -b 32 "$WORK/tick.wav" pad 0 0.01 trim 0 1012s
level "$WORK/tick.wav" "$WORK/level.wav"
sox "$WORK/level.wav" -c 2 -e ms-adpcm "$OUT/103.wav"

# 104: wrong answer. Two soft descending "boops" (sine with a touch of
# triangle), gentle enough not to frighten anyone. 0.45 s = 9922 samples.
note "$WORK/w1.wav" 22050 0.00 0.19 0.6 sine 440 triangle mix 440
note "$WORK/w2.wav" 22050 0.22 0.22 0.6 sine 349.23 triangle mix 349.23
mixdown 22050 9922 "$OUT/104.wav" "$WORK/w1.wav" "$WORK/w2.wav"

# 105: game over. A slow descending line G-E-D-C ending on a long low C,
# at 11025 Hz as the game expects; 1.76 s = 19404 samples.
files=(); i=0
for tone in "0.00 0.34 392.00" "0.36 0.34 329.63" "0.72 0.34 293.66" "1.08 0.68 261.63"; do
    # shellcheck disable=SC2086 # a tone's fields, split into $1, $2 ...
    set -- $tone
    FADE=h note "$WORK/g$i.wav" 11025 "$1" "$2" 0.6 triangle "$3" sine mix "$(awk "BEGIN{print $3*2}")"
    files+=("$WORK/g$i.wav"); i=$((i+1))
done
mixdown 11025 19404 "$OUT/105.wav" "${files[@]}"

# 123: new high score. A short brassy fanfare: three quick Gs, then a held
# C-major chord. About 1.3 s.
files=(); i=0
for tone in "0.00 0.12 783.99" "0.14 0.12 783.99" "0.28 0.12 783.99" \
            "0.42 0.85 1046.50" "0.42 0.85 1318.51" "0.42 0.85 783.99"; do
    # shellcheck disable=SC2086 # a tone's fields, split into $1, $2 ...
    set -- $tone
    # A sawtooth is brassy; a sine of the same pitch and a low-pass soften
    # it (and keep its harmonics from folding back at 22050 Hz).
    FADE=h note "$WORK/f$i.wav" 44100 "$1" "$2" 0.35 sawtooth "$3" sine mix "$3"
    sox "$WORK/f$i.wav" "$WORK/lp.wav" lowpass 4000 rate 22050 && mv "$WORK/lp.wav" "$WORK/f$i.wav"
    files+=("$WORK/f$i.wav"); i=$((i+1))
done
mixdown 22050 28665 "$OUT/123.wav" "${files[@]}"   # 1.30 s

# 124: score did not make the table. A soft, neutral two-note chime
# (a falling fourth, neither sad nor triumphant). About 0.8 s.
marimba "$WORK/c1.wav" 0.00 0.45 783.99 0.5
marimba "$WORK/c2.wav" 0.20 0.60 587.33 0.5
mixdown 22050 17640 "$OUT/124.wav" "$WORK/c1.wav" "$WORK/c2.wav"   # 0.80 s

echo "sounds written to $OUT"
