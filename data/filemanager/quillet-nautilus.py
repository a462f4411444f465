# Nautilus (nautilus-python): "Make thumbnails with Quillet" on photos and folders opens
# Quillet's window with the selection, as the Dolphin service menu does.
from gi.repository import GLib, GObject, Nautilus

PHOTO_TYPES = {"image/jpeg", "image/png", "image/webp", "image/tiff", "image/heif",
               "image/heic", "image/avif", "inode/directory"}


def _local_paths(files):
    paths = []
    for info in files:
        location = info.get_location()
        path = location.get_path() if location is not None else None
        if path is None or info.get_mime_type() not in PHOTO_TYPES:
            return []
        paths.append(path)
    return paths


class QuilletMenu(GObject.GObject, Nautilus.MenuProvider):
    # Nautilus 43 passes (files); older ones (window, files).
    def get_file_items(self, *arguments):
        paths = _local_paths(arguments[-1])
        if not paths:
            return []
        item = Nautilus.MenuItem(name="Quillet::MakeThumbnails",
                                 label="Make thumbnails with Quillet",
                                 icon="io.github.quillet.Quillet")
        item.connect("activate", self._open, paths)
        return [item]

    @staticmethod
    def _open(_item, paths):
        GLib.spawn_async(["quillet", "--"] + paths, flags=GLib.SpawnFlags.SEARCH_PATH)
