# Runs inside the virtual X server for scripts/leaks: the program under memcheck, stopped a while after its window shows.
# Usage: bash leaks-run.sh SECONDS LOG SUPPRESSIONS PROGRAM
# The time counts from the moment the window appears, not from valgrind's slow start. Then SIGTERM reaches the
# program as SDL's quit event, so it leaves through its own close path and tears down as a user would make it
# (not SIGINT: a background job of a script ignores it, and SDL leaves an ignored signal alone).
# The GL driver compiles code at run time, hence the self-modifying-code check.
set -u
seconds=$1 log=$2 supp=$3 program=$4
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --error-exitcode=99 --keep-debuginfo=yes \
    --child-silent-after-fork=yes --smc-check=all-non-file --num-callers=40 -s \
    --suppressions="$supp" --log-file="$log" "$program" &
pid=$!
if timeout 120 xdotool search --sync --name '^Frostel' >/dev/null; then
    sleep "$seconds"
else
    echo "no window within 120 s" >&2
fi
kill -TERM "$pid" 2>/dev/null
wait "$pid"
