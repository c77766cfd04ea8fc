# Files a unity build compiles on their own: their file-local names (anonymous namespaces,
# statics) clash with those of a file in the same batch. Paths relative to the repository root.
# A build error such as "redefinition of '{anonymous}::kName'" names the file to add here.
set(RK17_UNITY_EXCLUDE
  src/base/SoundSystem.cpp                    # sdlCounter (DemoClock.cpp)
  src/demoSystem/Timeline.cpp                 # gCurrent (EffectList.cpp)
  src/effects/parts/BlurChain.cpp             # gGeneration (DepthOfField.cpp)
  tests/base/SoundSystemTest.cpp              # fakeCounter (DemoClockTest.cpp)
  tests/demoSystem/PBufferTest.cpp            # kRed, kGreen, kBlue (ScreenHelpersTest.cpp)
  tests/demoSystem/ScriptLoaderDeathTest.cpp  # kHead (ScriptLoaderTest.cpp)
  tests/effects/FlashTest.cpp                 # kCases (FadeTest.cpp)
  tests/engine/ShadowShaderTest.cpp           # kWidth, kHeight, SceneCase (GLStateCacheTest.cpp)
  tests/pack/DataPackMemoryTest.cpp           # Decoded (Rar20UnpackerTest.cpp), kArchives (DataPackReaderTest.cpp)
  tests/pack/Rar20CipherTest.cpp              # PasswordCase (DataPackReaderTest.cpp)
  tests/program/ScriptProgramTest.cpp         # its own ProgramRun (tests/support/ProgramRun.h)
  tests/tools/PackInteropTest.cpp             # kPassword (PackRoundTripTest.cpp)
)

# rk17_unity_exclusions(SOURCES...): marks those of SOURCES listed above, in the calling folder.
function(rk17_unity_exclusions)
  foreach(_source ${ARGN})
    file(RELATIVE_PATH _relative ${CMAKE_SOURCE_DIR} ${_source})
    if(_relative IN_LIST RK17_UNITY_EXCLUDE)
      set_source_files_properties(${_source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()
