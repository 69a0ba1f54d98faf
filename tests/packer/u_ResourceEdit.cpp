#include "tests/packer/u_ResourceEdit.h"

#include "packer/c_PeImage.h"
#include "packer/u_PackError.h"
#include "packer/u_PayloadIds.h"

namespace {

const TResourceId& TypeOf(bool bitmap) { return bitmap ? BitmapType() : PayloadType(); }

}  // namespace

Bytes ApplyResourceEdit(const Bytes& installer, const TResourceEdit& edit) {
  const TPeImage image(installer);
  image.CheckPackable();
  TResourceTree resources = image.Resources();
  const TResourceId& type = TypeOf(edit.bitmap);
  const TResourceId name = AsciiId(edit.name);
  if (edit.data) {
    resources.Set(type, name, kLanguageNeutral, {*edit.data, 0});
  } else {
    if (!resources.Find(type, name)) throw TPackError("no resource " + edit.name + " to remove");
    resources.Remove(type, name);
  }
  return image.WithResources(resources).ToBytes();
}

Bytes ExtractResource(const Bytes& installer, bool bitmap, const std::string& name) {
  const TResourceTree resources = TPeImage(installer).Resources();
  const TResourceData* found = resources.Find(TypeOf(bitmap), AsciiId(name));
  if (!found) throw TPackError("no resource " + name);
  return found->bytes;
}
