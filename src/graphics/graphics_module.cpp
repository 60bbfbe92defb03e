// The graphics module: display modes, buffers and drawing. Commands join
// this table, in their declaration order, as their parts are built.
#include "graphics/buffer_commands.h"
#include "graphics/collision_commands.h"
#include "graphics/console.h"
#include "graphics/display_commands.h"
#include "graphics/font_commands.h"
#include "graphics/image_commands.h"
#include "graphics/movie_commands.h"
#include "startup/declaration.h"

namespace korva {
namespace {

const Declaration kGraphicsDeclarations[] = {
    {"%CountGfxDrivers", routine<cmdCountGfxDrivers>},
    {"$GfxDriverName%driver", routine<cmdGfxDriverName>},
    {"SetGfxDriver%driver", routine<cmdSetGfxDriver>},
    {"%CountGfxModes", routine<cmdCountGfxModes>},
    {"%GfxModeExists%width%height%depth", routine<cmdGfxModeExists>},
    {"%GfxModeWidth%mode", routine<cmdGfxModeWidth>},
    {"%GfxModeHeight%mode", routine<cmdGfxModeHeight>},
    {"%GfxModeDepth%mode", routine<cmdGfxModeDepth>},
    {"%AvailVidMem", routine<cmdAvailVidMem>},
    {"%TotalVidMem", routine<cmdTotalVidMem>},
    {"Graphics%width%height%depth=0%mode=0", routine<cmdGraphics>},
    {"EndGraphics", routine<cmdEndGraphics>},
    {"%FrontBuffer", routine<cmdFrontBuffer>},
    {"%BackBuffer", routine<cmdBackBuffer>},
    {"%ScanLine", routine<cmdScanLine>},
    {"VWait%frames=1", routine<cmdVWait>},
    {"Flip%vwait=1", routine<cmdFlip>},
    {"%GraphicsWidth", routine<cmdGraphicsWidth>},
    {"%GraphicsHeight", routine<cmdGraphicsHeight>},
    {"%GraphicsDepth", routine<cmdGraphicsDepth>},

    {"SetBuffer%buffer", routine<cmdSetBuffer>},
    {"%GraphicsBuffer", routine<cmdGraphicsBuffer>},
    {"%LoadBuffer%buffer$bmpfile", routine<cmdLoadBuffer>},
    {"%SaveBuffer%buffer$bmpfile", routine<cmdSaveBuffer>},
    {"LockBuffer%buffer=0", routine<cmdLockBuffer>},
    {"UnlockBuffer%buffer=0", routine<cmdUnlockBuffer>},
    {"%ReadPixel%x%y%buffer=0", routine<cmdReadPixel>},
    {"WritePixel%x%y%argb%buffer=0", routine<cmdWritePixel>},
    {"%ReadPixelFast%x%y%buffer=0", routine<cmdReadPixelFast>},
    {"WritePixelFast%x%y%argb%buffer=0", routine<cmdWritePixelFast>},
    {"CopyPixel%src_x%src_y%src_buffer%dest_x%dest_y%dest_buffer=0", routine<cmdCopyPixel>},
    {"CopyPixelFast%src_x%src_y%src_buffer%dest_x%dest_y%dest_buffer=0", routine<cmdCopyPixelFast>},
    {"Origin%x%y", routine<cmdOrigin>},
    {"Viewport%x%y%width%height", routine<cmdViewport>},
    {"Color%red%green%blue", routine<cmdColor>},
    {"GetColor%x%y", routine<cmdGetColor>},
    {"%ColorRed", routine<cmdColorRed>},
    {"%ColorGreen", routine<cmdColorGreen>},
    {"%ColorBlue", routine<cmdColorBlue>},
    {"ClsColor%red%green%blue", routine<cmdClsColor>},

    {"SetFont%font", routine<cmdSetFont>},

    {"Cls", routine<cmdCls>},
    {"Plot%x%y", routine<cmdPlot>},
    {"Rect%x%y%width%height%solid=1", routine<cmdRect>},
    {"Oval%x%y%width%height%solid=1", routine<cmdOval>},
    {"Line%x1%y1%x2%y2", routine<cmdLine>},
    {"Text%x%y$text%centre_x=0%centre_y=0", routine<cmdText>},
    {"CopyRect%source_x%source_y%width%height%dest_x%dest_y%src_buffer=0%dest_buffer=0", routine<cmdCopyRect>},

    {"%LoadFont$fontname%height=12%bold=0%italic=0%underline=0", routine<cmdLoadFont>},
    {"FreeFont%font", routine<cmdFreeFont>},
    {"%FontWidth", routine<cmdFontWidth>},
    {"%FontHeight", routine<cmdFontHeight>},
    {"%StringWidth$string", routine<cmdStringWidth>},
    {"%StringHeight$string", routine<cmdStringHeight>},

    {"%OpenMovie$file", routine<cmdOpenMovie>},
    {"%DrawMovie%movie%x=0%y=0%w=-1%h=-1", routine<cmdDrawMovie>},
    {"%MovieWidth%movie", routine<cmdMovieWidth>},
    {"%MovieHeight%movie", routine<cmdMovieHeight>},
    {"%MoviePlaying%movie", routine<cmdMoviePlaying>},
    {"CloseMovie%movie", routine<cmdCloseMovie>},

    {"%LoadImage$bmpfile", routine<cmdLoadImage>},
    {"%CopyImage%image", routine<cmdCopyImage>},
    {"%CreateImage%width%height%frames=1", routine<cmdCreateImage>},
    {"%LoadAnimImage$bmpfile%cellwidth%cellheight%first%count", routine<cmdLoadAnimImage>},
    {"FreeImage%image", routine<cmdFreeImage>},
    {"%SaveImage%image$bmpfile%frame=0", routine<cmdSaveImage>},
    {"GrabImage%image%x%y%frame=0", routine<cmdGrabImage>},
    {"%ImageBuffer%image%frame=0", routine<cmdImageBuffer>},
    {"DrawImage%image%x%y%frame=0", routine<cmdDrawImage>},
    {"DrawBlock%image%x%y%frame=0", routine<cmdDrawBlock>},
    {"TileImage%image%x=0%y=0%frame=0", routine<cmdTileImage>},
    {"TileBlock%image%x=0%y=0%frame=0", routine<cmdTileBlock>},
    {"DrawImageRect%image%x%y%rect_x%rect_y%rect_width%rect_height%frame=0", routine<cmdDrawImageRect>},
    {"DrawBlockRect%image%x%y%rect_x%rect_y%rect_width%rect_height%frame=0", routine<cmdDrawBlockRect>},
    {"MaskImage%image%red%green%blue", routine<cmdMaskImage>},
    {"HandleImage%image%x%y", routine<cmdHandleImage>},
    {"MidHandle%image", routine<cmdMidHandle>},
    {"AutoMidHandle%enable", routine<cmdAutoMidHandle>},
    {"%ImageWidth%image", routine<cmdImageWidth>},
    {"%ImageHeight%image", routine<cmdImageHeight>},
    {"%ImageXHandle%image", routine<cmdImageXHandle>},
    {"%ImageYHandle%image", routine<cmdImageYHandle>},
    {"ScaleImage%image#xscale#yscale", routine<cmdScaleImage>},
    {"ResizeImage%image#width#height", routine<cmdResizeImage>},
    {"RotateImage%image#angle", routine<cmdRotateImage>},
    {"TFormImage%image#a#b#c#d", routine<cmdTFormImage>},
    {"TFormFilter%enable", routine<cmdTFormFilter>},

    {"%ImagesOverlap%image1%x1%y1%image2%x2%y2", routine<cmdImagesOverlap>},
    {"%ImagesCollide%image1%x1%y1%frame1%image2%x2%y2%frame2", routine<cmdImagesCollide>},
    {"%RectsOverlap%x1%y1%width1%height1%x2%y2%width2%height2", routine<cmdRectsOverlap>},
    {"%ImageRectOverlap%image%x%y%rect_x%rect_y%rect_width%rect_height", routine<cmdImageRectOverlap>},
    {"%ImageRectCollide%image%x%y%frame%rect_x%rect_y%rect_width%rect_height", routine<cmdImageRectCollide>},

    {"Write$string", routine<cmdWrite>},
    {"Print$string=\"\"", routine<cmdPrint>},
    {"$Input$prompt=\"\"", routine<cmdInput>},
    {"Locate%x%y", routine<cmdLocate>},

    {"ShowPointer", routine<cmdShowPointer>},
    {"HidePointer", routine<cmdHidePointer>},
};

bool graphicsCreate() { return openDefaultDisplay(); }

}  // namespace

extern const ModuleDefinition graphicsModule{"graphics", kGraphicsDeclarations, graphicsCreate, closeDisplay};

}  // namespace korva
