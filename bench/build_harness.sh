# Sourced by the batch benchmarks: builds bench/batch_harness.cpp against the libraries of
# $build into $work/batch_harness and names it $harness.
if [ ! -f "$build/app/libquillet_app.a" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF
fi
cmake --build "$build" --target quillet_app quillet-thumb
harness=$work/batch_harness
g++ -std=c++20 -O2 -fPIC "$root/bench/batch_harness.cpp" -o "$harness" \
    -I"$root/app" -I"$root/controls" -I"$root/platform" -I"$root/thumbnail" \
    "$build/app/libquillet_app.a" "$build/controls/libquillet_controls.a" \
    "$build/thumbnail/libquillet_thumbnail.a" "$build/platform/libquillet_platform.a" \
    $(pkg-config --cflags --libs Qt6Widgets Qt6OpenGLWidgets) -lGLU -lGL -ljpeg -pthread
