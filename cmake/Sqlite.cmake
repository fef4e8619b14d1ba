# SQLite's amalgamation, as scripts/fetch-sqlite.sh caches it (by the same rule as
# scripts/env.sh), built once per tree and linked statically. It is not our code: built
# optimised and without our warnings or sanitizers, in both trees alike.
# -DSQLITE_SOURCE_DIR=... points elsewhere.
if(NOT SQLITE_SOURCE_DIR)
  if(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(SQLITE_SOURCE_DIR "$ENV{XDG_CACHE_HOME}/reelkeep/sqlite-autoconf-3520000")
  else()
    set(SQLITE_SOURCE_DIR "$ENV{HOME}/.cache/reelkeep/sqlite-autoconf-3520000")
  endif()
endif()
if(NOT EXISTS ${SQLITE_SOURCE_DIR}/sqlite3.c)
  message(FATAL_ERROR "No SQLite amalgamation in ${SQLITE_SOURCE_DIR}: run scripts/setup.sh")
endif()
add_library(reelkeep_sqlite STATIC ${SQLITE_SOURCE_DIR}/sqlite3.c)
target_include_directories(reelkeep_sqlite SYSTEM PUBLIC ${SQLITE_SOURCE_DIR})
target_compile_options(reelkeep_sqlite PRIVATE -O2 -w)
# Only reading is asked of it: no extensions to load, no shared cache, no deprecated calls;
# double-quoted strings are not taken for names.
target_compile_definitions(reelkeep_sqlite PRIVATE SQLITE_THREADSAFE=1 SQLITE_DEFAULT_MEMSTATUS=0
  SQLITE_OMIT_LOAD_EXTENSION SQLITE_OMIT_SHARED_CACHE SQLITE_OMIT_DEPRECATED SQLITE_DQS=0)
if(NOT WIN32)
  find_package(Threads REQUIRED)
  target_link_libraries(reelkeep_sqlite PUBLIC Threads::Threads m)
endif()
