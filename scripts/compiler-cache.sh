# Sourced by the test scripts from the repository's root: CMake's arguments for compiling
# through ccache when the machine has it (a run after an earlier one then compiles only what
# changed), in the array `compiler_cache`. Paths are hashed relative to the repository, so a
# clone in another folder finds what an earlier clone compiled.
compiler_cache=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
  compiler_cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
