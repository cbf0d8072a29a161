# The JACK choice, shared by scripts/run and the installed launcher (sourced
# by both; POSIX sh). velmara_run_with_jack LOG COMMAND... runs COMMAND where
# it reaches a JACK server:
#   1. a server already running (the one $JACK_DEFAULT_SERVER names, or the
#      default one): COMMAND replaces the shell;
#   2. else, when PipeWire runs and its JACK library is installed, PipeWire's
#      JACK through pw-jack: COMMAND replaces the shell;
#   3. else jackd on the first ALSA sound card at 44,100 Hz and 256 frames a
#      period (its output in LOG), stopped when COMMAND ends; the shell ends
#      with COMMAND's exit status.
# When none can be had it calls velmara_tell_user MESSAGE, which the caller
# defines, and ends the shell with exit status 1. Safe under set -e.

velmara_jack_running() {
    JACK_NO_START_SERVER=1 jack_lsp >/dev/null 2>&1
}

velmara_pipewire_jack_running() {
    command -v pw-jack >/dev/null 2>&1 && JACK_NO_START_SERVER=1 pw-jack jack_lsp >/dev/null 2>&1
}

# The index of the first card ALSA lists (in $VELMARA_ALSA_CARDS when set),
# or nothing.
velmara_first_alsa_card() {
    velmara_cards=${VELMARA_ALSA_CARDS:-/proc/asound/cards}
    [ -r "$velmara_cards" ] || return 0
    sed -n 's/^ *\([0-9][0-9]*\) \[.*/\1/p' "$velmara_cards" | head -n 1
}

# Runs the command in the background until it ends, passing an interrupt or
# termination on to it; its exit status.
velmara_run_child() {
    "$@" &
    velmara_child=$!
    trap 'kill -TERM "$velmara_child" 2>/dev/null' INT TERM HUP
    velmara_status=0
    wait "$velmara_child" || velmara_status=$?
    # A signal the trap caught ends the wait early: wait again for the end.
    while kill -0 "$velmara_child" 2>/dev/null; do
        velmara_status=0
        wait "$velmara_child" || velmara_status=$?
    done
    trap - INT TERM HUP
    return "$velmara_status"
}

velmara_run_with_jack() {
    velmara_jack_log=$1
    shift
    if velmara_jack_running; then
        exec "$@"
    fi
    if velmara_pipewire_jack_running; then
        echo "velmara: playing through PipeWire's JACK" >&2
        exec pw-jack "$@"
    fi
    velmara_card=$(velmara_first_alsa_card)
    if [ -z "$velmara_card" ] || ! command -v jackd >/dev/null 2>&1; then
        velmara_tell_user "Velmara plays through JACK, and no JACK server could be had: none is running, \
PipeWire's JACK is not available, and there is no sound card to start jackd on.

Start a JACK server (for example with QjackCtl, or: jackd -d alsa -d hw:0 -r 44100 -p 256), \
or install pipewire-jack when your desktop runs PipeWire, then start Velmara again."
        exit 1
    fi
    echo "velmara: starting jackd on the sound card hw:$velmara_card (44,100 Hz, 256 frames)" >&2
    jackd -d alsa -d "hw:$velmara_card" -r 44100 -p 256 >"$velmara_jack_log" 2>&1 &
    velmara_jackd=$!
    velmara_tries=0
    until velmara_jack_running; do
        velmara_tries=$((velmara_tries + 1))
        if [ "$velmara_tries" -gt 50 ] || ! kill -0 "$velmara_jackd" 2>/dev/null; then
            kill "$velmara_jackd" 2>/dev/null || true
            velmara_tell_user "jackd could not start on the sound card hw:$velmara_card; \
what it said is in $velmara_jack_log."
            exit 1
        fi
        sleep 0.1
    done
    velmara_status=0
    velmara_run_child "$@" || velmara_status=$?
    kill "$velmara_jackd" 2>/dev/null || true
    wait "$velmara_jackd" 2>/dev/null || true
    exit "$velmara_status"
}
