#!/usr/bin/env python3
"""The viewer in a person's hands: real mouse and keyboard (X input) on two desktops.

  desktop_test.py BIN_DIR OUT_DIR UNMANAGED_PREFIX MANAGED_PREFIX [SCENARIO...]

`unmanaged`: the tests' Wine set-up, windows that no desktop manages;
`managed`: openbox, with a prefix whose windows it manages, as a Linux
desktop does. Each step a person would look at leaves a screenshot in
OUT_DIR/<desktop>/; a failure names its step and keeps its screenshot.
"""
import os
import re
import struct
import subprocess
import sys
import time
import traceback

from desktop import Desktop, StepFailed, ROOT, windows_path

CHELSEA = os.path.join(ROOT, 'data', 'chelsea.png')  # 451 x 300
COFFEE = os.path.join(ROOT, 'data', 'chelsea.bmp')
DIALOGS = {1: "Comparaison d'images", 3: 'Filtres Matriciels', 4: 'Modification du fond', 5: 'Correction de vignetage',
           6: None, 7: "Fusion d'images", 8: "Compensation d'un dégradé"}
MENUS = ['Fichier', 'Édition', 'Affichage', 'Image', 'Divers', 'Fenêtre', '?']
GREY = bytes((96, 96, 96))


def check(condition, what, desk):
    if not condition:
        raise StepFailed('%s (screen: %s)' % (what, desk.screenshot('failed')))


# --- menus by mouse: the titles and items found on the screen ---------------------------

def ink_runs(values, gap):
    """Runs of True in a sequence, joined across gaps shorter than `gap`: (first, last) pairs."""
    runs = []
    for i, ink in enumerate(values):
        if ink:
            if runs and i - runs[-1][1] <= gap:
                runs[-1][1] = i
            else:
                runs.append([i, i])
    return runs


def menu_bar_titles(desk):
    frame = desk.frame()
    # Right below the menu bar: the toolbar, or the workspace when the toolbar is hidden.
    below = [c for c in desk.controls(frame) if c.cls == 'ToolbarWindow32'] or \
        [c for c in desk.controls(frame) if c.cls.upper() == 'MDICLIENT']
    top, height = below[0].top - 17, 14
    width = frame.right - frame.left
    data = desk.pixels(frame.left, top, width, height)
    ink = [any(max(data[(y * width + x) * 3:(y * width + x) * 3 + 3]) < 100 for y in range(height))
           for x in range(width)]
    runs = ink_runs(ink, 9)
    return [((a + b) // 2 + frame.left, top + height // 2) for a, b in runs]


def menu_items(desk):
    popup = desk.find_top(cls='#32768')
    check(popup is not None, 'a menu drops down', desk)
    width, height = popup.right - popup.left, popup.bottom - popup.top
    data = desk.pixels(popup.left, popup.top, width, height)
    ink = [any(max(data[(y * width + x) * 3:(y * width + x) * 3 + 3]) < 150 for x in range(8, width - 8))
           for y in range(height)]
    runs = [r for r in ink_runs(ink, 2) if r[1] - r[0] >= 4]  # separators are thinner than text
    return [(popup.left + 40, popup.top + (a + b) // 2) for a, b in runs]


def pick_menu(desk, title, item, by_mouse):
    """Menu `title` (one of MENUS), its item number `item` (from 0): by mouse, or by Alt+letter and arrows."""
    if by_mouse:
        titles = menu_bar_titles(desk)
        desk.click(titles[MENUS.index(title)])
        desk.wait(lambda: desk.find_top(cls='#32768'), 'the menu %s drops down' % title)
        desk.click(menu_items(desk)[item])
    else:
        letter = {'Fichier': 'f', 'Édition': 'eacute', 'Affichage': 'a', 'Image': 'i', 'Divers': 'd', 'Fenêtre': 'n',
                  '?': 'question'}[title]
        desk.key('alt+' + letter)
        desk.wait(lambda: desk.find_top(cls='#32768'), 'Alt+%s drops the menu %s down' % (letter, title))
        desk.key(*(['Down'] * item), 'Return')


def tool_dialog(desk):
    return desk.find_top(cls='MolvaneForm')


def hint(desk):
    return desk.status()[3]


def image(desk, name):
    return next(i for i in desk.images() if i.text.rstrip(' *') == name)


def visible_point(desk, name):
    """A point of the image window `name` that no window in front of it covers: its centre if it can."""
    views = desk.images()
    index = next(i for i, v in enumerate(views) if v.text.rstrip(' *') == name)
    view = views[index]
    covers = [(v.left - 8, v.top - 30, v.right + 24, v.bottom + 24) for v in views[:index]]
    covers += [(w.left, w.top, w.right, w.bottom) for w in desk.top() if w.cls == 'MolvaneForm']
    candidates = [view.centre] + [(view.left + 4 + dx, view.top + 4 + dy) for dy in range(0, view.bottom - view.top - 8, 16)
                                  for dx in range(0, view.right - view.left - 8, 16)]
    for x, y in candidates:
        if not any(l <= x < r and t <= y < b for l, t, r, b in covers):
            return (x, y)
    raise StepFailed('no part of %s shows' % name)


def activate(desk, name):
    desk.click(visible_point(desk, name))


# --- scenarios ------------------------------------------------------------------------

def every_tool_from_the_menus(desk):
    """Each tool opened from the menu, every other one by mouse, then left with Échap; the noise
    reduction undone. The other desktop takes the other hand for each tool."""
    desk.start_viewer(CHELSEA, COFFEE)
    for tool in range(1, 9):
        for by_mouse in [(tool % 2 == 1) != desk.managed]:
            how = 'mouse' if by_mouse else 'keyboard'
            activate(desk, 'chelsea.png')
            pick_menu(desk, 'Divers', tool - 1, by_mouse)
            if tool == 2:
                desk.wait(lambda: image(desk, 'chelsea.png').text.endswith('*'), 'the noise reduction is applied')
                desk.key('ctrl+z')
                desk.wait(lambda: not image(desk, 'chelsea.png').text.endswith('*'), 'Ctrl+Z undoes it')
                continue
            desk.wait(lambda: tool_dialog(desk), 'tool %d opens its dialog (%s)' % (tool, how))
            dialog = tool_dialog(desk)
            if DIALOGS[tool]:
                check(dialog.text == DIALOGS[tool], 'tool %d opened %r' % (tool, dialog.text), desk)
            desk.screenshot('outil-%d-%s' % (tool, how))
            desk.key('Escape')
            desk.wait(lambda: not tool_dialog(desk), 'Échap closes the dialog of tool %d' % tool)
            desk.wait(lambda: hint(desk) == '', 'the status bar forgets tool %d once its dialog closed' % tool)


def side_by_side(desk):
    """The front image dragged by its caption, so that both images show."""
    front = desk.images()[0]
    desk.xdotool('mousemove', front.left + 60, front.top - 10, 'mousedown', 1, 'mousemove', front.left + 260,
                 front.top + 90, 'mousemove', front.left + 460, front.top + 190, 'mouseup', 1)
    time.sleep(0.4)


def two_image_tools_end_with_their_dialog(desk):
    """Comparaison and Fusionner, cancelled before and after the second image, and applied."""
    desk.start_viewer(CHELSEA, COFFEE)
    side_by_side(desk)
    for tool, cancel_after_second in ((1, False), (1, True), (7, False), (7, True)):
        activate(desk, 'chelsea.png')
        pick_menu(desk, 'Divers', tool - 1, True)
        desk.wait(lambda: tool_dialog(desk), 'tool %d opens' % tool)
        check(hint(desk).startswith('Cliquez sur la seconde image'), 'the status bar asks for the second image', desk)
        if cancel_after_second:
            desk.click(visible_point(desk, 'chelsea.bmp'))
            check(desk.above(DIALOGS[tool], 'Molvane'), 'the dialog stays above the image after the click', desk)
        dialog = tool_dialog(desk)
        desk.click(desk.control(dialog, 'Annuler').centre)
        desk.wait(lambda: not tool_dialog(desk), '"Annuler" closes the dialog of tool %d' % tool)
        desk.wait(lambda: hint(desk) == '', 'the run of tool %d ends with its dialog' % tool)
    # The image can be closed now, and a tool run to its end.
    activate(desk, 'chelsea.png')
    pick_menu(desk, 'Divers', 0, False)
    desk.wait(lambda: tool_dialog(desk), 'the comparison opens again')
    desk.click(visible_point(desk, 'chelsea.bmp'))
    desk.screenshot('comparaison-seconde-image')
    desk.click(desk.control(tool_dialog(desk), "Créer une image d'écart").centre)
    desk.wait(lambda: len(desk.images()) == 3, 'the gap image opens in a window of its own')
    desk.screenshot('comparaison-ecart')
    desk.key('ctrl+w')
    desk.wait(lambda: desk.find_top(cls='#32770'), 'Ctrl+W asks about the unsaved gap image')
    question = desk.find_top(cls='#32770')
    desk.screenshot('question-enregistrer')
    desk.click(desk.control(question, 'Ne pas enregistrer').centre)
    desk.wait(lambda: len(desk.images()) == 2, '"Ne pas enregistrer" closes the gap image')


def markers(desk, count):
    """The picking tool's markers (small check boxes without text), top to bottom, left to right."""
    # A marker waiting for its point blinks: wait for all to show.
    for _ in range(20):
        found = [c for c in desk.controls(tool_dialog(desk)) if c.cls == 'Button' and c.text == '' and
                 c.right - c.left < 20]
        if len(found) == count:
            return sorted(found, key=lambda m: (m.top, m.left))
        time.sleep(0.1)
    raise StepFailed('%d markers show, not %d (screen: %s)' % (len(found), count, desk.screenshot('failed')))


def ticked(desk):
    return sum('checked' in c.flags for c in desk.controls(tool_dialog(desk)) if c.cls == 'Button' and c.text == '')


def picking_follows_the_dialog(desk):
    """Fond at 100 %: markers armed in the dialog, points clicked on the image, Échap in between."""
    desk.start_viewer(CHELSEA)
    desk.key('ctrl+1')
    pick_menu(desk, 'Divers', 3, False)
    desk.wait(lambda: tool_dialog(desk), 'Fond opens')
    view = image(desk, 'chelsea.png')
    x, y = view.centre
    points = [(x - 150, y - 100), (x + 150, y - 100), (x - 150, y + 100)]  # clear of the dialog, bottom right
    for n, point in enumerate(points):
        if n == 1:
            # Échap on the image (given the keyboard by a click that arms nothing) ends nothing:
            # the marker armed next still gets its point.
            desk.click(points[0])
            desk.key('Escape')
        desk.click(markers(desk, 3)[[0, 2, 1][n]].centre)  # F1, F2, then the flag (the start point)
        desk.click(point)
        check(desk.above('Modification du fond', 'Molvane'), 'the dialog stays above the image', desk)
        desk.wait(lambda: ticked(desk) >= n + 1, 'point %d is ticked in the dialog' % (n + 1))
    desk.wait(lambda: hint(desk).startswith('Résultat'), 'the fill is made and the hint says so')
    desk.screenshot('fond-points')
    desk.click(desk.control(tool_dialog(desk), 'Appliquer').centre)
    desk.wait(lambda: not tool_dialog(desk), '"Appliquer" closes Fond')
    check(image(desk, 'chelsea.png').text.endswith('*'), 'the fill is kept', desk)
    # Vignetage, zoomed in: four corners, then Annuler gives the image back.
    desk.key('ctrl+z')
    desk.key('ctrl+0')
    desk.key('ctrl+equal')
    pick_menu(desk, 'Divers', 4, True)
    desk.wait(lambda: tool_dialog(desk), 'Vignetage opens')
    view = image(desk, 'chelsea.png')
    x, y = view.centre  # the picture, 677 x 450 at 150 %, fills the middle of the window
    corners = [(x - 200, y - 100), (x + 200, y - 100), (x + 200, y + 100), (x - 200, y + 100)]
    for n, corner in enumerate(corners):
        desk.click(markers(desk, 4)[[0, 1, 3, 2][n]].centre)  # the markers read top-left, top-right, then the bottom
        desk.click(corner)
        check(desk.above('Correction de vignetage', 'Molvane'), 'Vignetage stays above the image', desk)
        desk.wait(lambda: ticked(desk) >= n + 1, 'corner %d is ticked in the dialog' % (n + 1))
    desk.wait(lambda: hint(desk).startswith('Résultat'), 'the correction is made and the hint says so')
    desk.screenshot('vignetage-coins')
    # Closing the image the tool works on is refused in a box that shows above the tool's dialog.
    desk.click(corners[0])
    desk.key('ctrl+w')
    desk.wait(lambda: question(desk), 'Ctrl+W on the image in use is answered')
    check(desk.above('visionneuse', 'Correction de vignetage'), 'the refusal shows above the tool', desk)
    desk.key('Return')
    desk.wait(lambda: not question(desk), 'Entrée closes the refusal')
    desk.click(desk.control(tool_dialog(desk), 'Annuler').centre)
    desk.wait(lambda: not tool_dialog(desk), '"Annuler" closes Vignetage')
    check(not image(desk, 'chelsea.png').text.endswith('*'), 'the cancelled correction leaves the image as it was', desk)


def zoom_text(desk):
    return float(re.search(r'([0-9]+(?:[.,][0-9]+)?) %', desk.status()[1]).group(1).replace(',', '.'))


def background_is_clean(desk, view, zoom, width, height):
    """Outside the centred picture, only the workspace grey: no fragments of an older picture."""
    pw, ph = int(width * zoom + 0.999), int(height * zoom + 0.999)
    cw, ch = view.right - view.left, view.bottom - view.top
    strips = []
    if cw - pw > 8:
        strips.append((view.left + 2, view.top + 2, (cw - pw) // 2 - 4, ch - 4))
    if ch - ph > 8:
        strips.append((view.left + 2, view.top + 2, cw - 4, (ch - ph) // 2 - 4))
    for strip in strips:
        data = desk.pixels(*strip)
        if any(data[i:i + 3] != GREY for i in range(0, len(data), 3)):
            return False
    return bool(strips)


def maximise_and_restore(desk):
    """A large photograph at zoom to fit: maximised and restored, it is refitted and repainted cleanly."""
    big = os.path.join(desk.out_dir, 'grande.png')
    subprocess.run(['convert', CHELSEA, '-resize', '3000x2000!', big], check=True)
    desk.start_viewer(big)
    before = zoom_text(desk)
    view = image(desk, 'grande.png')
    desk.xdotool('mousemove', view.centre[0], view.top - 10, 'click', '--repeat', 2, '--delay', 80, 1)
    desk.wait(lambda: 'maximised' in image(desk, 'grande.png').flags, 'a double click on its caption maximises it')
    time.sleep(0.5)
    after = zoom_text(desk)
    desk.screenshot('maximisee')
    check(after > before, 'the maximised window is refitted (zoom %s %% then %s %%)' % (before, after), desk)
    check(background_is_clean(desk, image(desk, 'grande.png'), after / 100, 3000, 2000),
          'the maximised window is repainted cleanly', desk)
    frame = desk.frame()
    desk.click((frame.right - 28, menu_bar_titles(desk)[0][1]))  # the restore button, in the menu bar's right end
    desk.wait(lambda: 'maximised' not in image(desk, 'grande.png').flags, 'the restore button restores it')
    time.sleep(0.5)
    desk.screenshot('restauree')
    check(abs(zoom_text(desk) - before) < 0.5, 'the restored window is refitted', desk)
    check(background_is_clean(desk, image(desk, 'grande.png'), zoom_text(desk) / 100, 3000, 2000),
          'the restored window is repainted cleanly', desk)


def keyboard_and_status_bar(desk):
    """Alt+D, Ctrl+Shift+= and Ctrl++, Shift+wheel, the window list, the pointer leaving, Alt+F Q."""
    small = os.path.join(desk.out_dir, 'petite.png')
    subprocess.run(['convert', CHELSEA, '-resize', '200x100!', small], check=True)
    desk.start_viewer(small, CHELSEA)
    activate(desk, 'chelsea.png')
    for letter, menu in (('d', 'Divers'), ('e', 'Édition, whose É a keyboard may lack')):
        desk.key('alt+' + letter)
        desk.wait(lambda: desk.find_top(cls='#32768'), 'Alt+%s drops %s down' % (letter.upper(), menu))
        desk.key('Escape', 'Escape')
    for keys in ('ctrl+shift+equal', 'ctrl+KP_Add', 'ctrl+equal'):
        before = zoom_text(desk)
        desk.key(keys)
        check(zoom_text(desk) > before, '%s zooms in' % keys, desk)
    # Shift+wheel scrolls sideways: the pixel under a still pointer moves along x only.
    view = image(desk, 'chelsea.png')
    desk.move(view.centre)
    readout = lambda: tuple(int(v) for v in re.findall(r'[xy] (\d+)', desk.status()[2]))
    first = readout()
    desk.xdotool('keydown', 'shift', 'click', 5, 'keyup', 'shift')
    time.sleep(0.4)
    second = readout()
    check(second[0] != first[0] and second[1] == first[1], 'Shift+wheel scrolls sideways: %s then %s' % (first, second),
          desk)
    # The pointer leaving the image clears the readout.
    desk.move((1270, 1015))
    desk.wait(lambda: desk.status()[2] == '', 'the pixel readout goes when the pointer leaves the image')
    # The window list (Fenêtre) brings the other image forward, and the status bar follows it.
    desk.key('alt+n')
    desk.wait(lambda: desk.find_top(cls='#32768'), 'Alt+N drops Fenêtre down')
    desk.key('1')
    desk.wait(lambda: desk.status()[0].startswith('200 x 100'), 'the status bar shows the image brought forward')
    desk.screenshot('liste-des-fenetres')
    desk.key('alt+f', 'q')
    check(desk.viewer_ended(), 'Alt+F then Q quits', desk)


def question(desk):
    """The box the viewer asks in (a question, or a message): the one #32770 window that is not a file dialog."""
    return desk.find_top(cls='#32770')


def answer(desk, button, asked_in_front=False):
    desk.wait(lambda: question(desk), 'a question is asked')
    box = question(desk)
    desk.screenshot('question')
    if asked_in_front:
        asked = re.search('« (.*) »', ' '.join(c.text for c in desk.controls(box)))
        check(asked and 'active' in image(desk, asked.group(1)).flags, 'the image asked about is in front', desk)
    desk.click(desk.control(box, button).centre)


def file_dialog_name(desk, path):
    """Types `path` into the file dialog that shows and presses Entrée."""
    desk.wait(lambda: question(desk) and any(c.cls == 'Edit' for c in desk.controls(question(desk))),
              'the file dialog opens')
    desk.key('ctrl+a')
    desk.type(windows_path(path))
    desk.key('Return', settle=0.8)


def saving_and_quitting(desk):
    """Save as GIF refused in words, saved as PNG and reopened; quitting asks in French, and Annuler keeps all."""
    desk.start_viewer(CHELSEA, COFFEE)
    side_by_side(desk)
    for name in ('chelsea.png', 'chelsea.bmp'):
        activate(desk, name)
        pick_menu(desk, 'Divers', 1, False)
        desk.wait(lambda: image(desk, name).text.endswith('*'), 'the noise reduction changes %s' % name)
    # Quitting: each unsaved image asked about in front, "Annuler" on the second keeps both open.
    desk.key('alt+f', 'q')
    answer(desk, 'Ne pas enregistrer', asked_in_front=True)
    answer(desk, 'Annuler', asked_in_front=True)
    time.sleep(0.5)
    check(len(desk.images()) == 2 and not desk.viewer_ended(0.1), '"Annuler" leaves every image open', desk)
    # Enregistrer sous: x.gif is refused in words and the dialog comes back; x.png is written.
    gif, png = os.path.join(desk.out_dir, 'x.gif'), os.path.join(desk.out_dir, 'x.png')
    activate(desk, 'chelsea.png')
    desk.key('alt+f', 's')
    file_dialog_name(desk, gif)
    desk.wait(lambda: question(desk) and 'GIF' in ' '.join(c.text for c in desk.controls(question(desk))),
              'a GIF name is refused in words')
    desk.screenshot('gif-refuse')
    desk.key('Return', settle=0.8)
    file_dialog_name(desk, png)
    desk.wait(lambda: os.path.exists(png), 'x.png is written')
    check(not any(f.startswith('x.gif') for f in os.listdir(desk.out_dir)), 'nothing is written under the GIF name', desk)
    desk.wait(lambda: any(i.text == 'x.png' for i in desk.images()), 'the window takes the saved name')
    # Reopened from Fichier > Ouvrir.
    desk.key('ctrl+o')
    file_dialog_name(desk, png)
    desk.wait(lambda: len(desk.images()) == 3, 'x.png opens again')
    desk.screenshot('rouvert')
    desk.key('alt+f', 'q')
    answer(desk, 'Ne pas enregistrer')
    check(desk.viewer_ended(), 'quitting ends once every question is answered', desk)


def among_other_applications(desk):
    """On a managed desktop the viewer is one application among others: a window the desktop lists,
    that another application's window can cover, and whose Alt+F4 closes the viewer alone."""
    if not desk.managed:
        return
    desk.start_viewer(CHELSEA)
    listed = subprocess.run(['xprop', '-root', '_NET_CLIENT_LIST'], env=desk.env, capture_output=True, text=True).stdout
    ids = subprocess.run(['xdotool', 'search', '--name', 'visionneuse'], env=desk.env, capture_output=True,
                         text=True).stdout.split()
    check(any(hex(int(i)) in listed for i in ids), 'the desktop lists the viewer (taskbar, Alt+Tab)', desk)
    other = subprocess.Popen(['xmessage', '-geometry', '320x200+850+300', 'Une autre application'], env=desk.env,
                             stderr=subprocess.DEVNULL)
    try:
        desk.wait(lambda: desk.above('xmessage', 'visionneuse'), 'the other application opens above the viewer')
        desk.click((300, 600))
        desk.wait(lambda: desk.above('visionneuse', 'xmessage'), 'a click on the viewer brings it above')
        desk.click((1000, 420))
        desk.wait(lambda: desk.above('xmessage', 'visionneuse'), 'a click on the other application brings it above')
        desk.screenshot('autre-application')
        desk.click((300, 600))
        desk.key('alt+F4')
        check(desk.viewer_ended(), 'Alt+F4 in the viewer closes the viewer', desk)
        check(other.poll() is None, 'Alt+F4 in the viewer leaves the other application open', desk)
    finally:
        other.kill()


def photograph_taken_turned(desk, size):
    """A JPEG of `size` whose Exif orientation (6) says the camera was turned a quarter to the left."""
    plain, turned = os.path.join(desk.out_dir, 'droite.jpg'), os.path.join(desk.out_dir, 'tournee.jpg')
    subprocess.run(['convert', CHELSEA, '-resize', size + '!', plain], check=True)
    tiff = b'II*\x00\x08\x00\x00\x00\x01\x00' + struct.pack('<HHIHHI', 274, 3, 1, 6, 0, 0)
    body = b'Exif\x00\x00' + tiff
    with open(plain, 'rb') as source, open(turned, 'wb') as target:
        data = source.read()
        target.write(data[:2] + b'\xff\xe1' + struct.pack('>H', len(body) + 2) + body + data[2:])
    return turned


def clipboard(desk, target):
    return subprocess.run(['xclip', '-selection', 'clipboard', '-t', target, '-o'], env=desk.env, capture_output=True,
                          timeout=10).stdout


def turning_copying_and_help(desk):
    """A photograph taken turned opens upright; Image ▸ Rotation by mouse and Ctrl+Z; Ctrl+C offers Linux
    programs a PNG; the background tool's first step in the status bar, and F1 in its dialog opens the help."""
    desk.start_viewer(photograph_taken_turned(desk, '200x100'))
    desk.wait(lambda: desk.status()[0].startswith('100 x 200'), 'the photograph taken turned opens upright, 100 x 200')
    pick_menu(desk, 'Image', 1, by_mouse=True)
    desk.wait(lambda: desk.status()[0].startswith('200 x 100'), 'Image ▸ Rotation 90° à droite turns it to 200 x 100')
    desk.screenshot('tournee-a-droite')
    desk.key('ctrl+z')
    desk.wait(lambda: desk.status()[0].startswith('100 x 200'), 'Ctrl+Z turns it back')
    desk.key('ctrl+c')
    targets = clipboard(desk, 'TARGETS').decode(errors='replace').split()
    check('image/png' in targets, 'Ctrl+C offers image/png to Linux programs (targets: %s)' % targets, desk)
    check(clipboard(desk, 'image/png').startswith(b'\x89PNG'), 'the image/png offered is a PNG', desk)
    pick_menu(desk, 'Divers', 3, by_mouse=False)
    desk.wait(lambda: tool_dialog(desk), 'the background tool opens')
    check(hint(desk).startswith('Choisissez F1'), 'the status bar says what to do first: %r' % hint(desk), desk)
    desk.key('F1')
    desk.wait(lambda: desk.find_top(cls='MolvaneAide'), "F1 in the tool's dialog opens the help")
    desk.screenshot('aide')
    # The tool's dialog stays on top and, under a desktop, keeps the focus: the help is clicked first.
    shown = desk.find_top(cls='MolvaneAide')
    desk.click((shown.left + 40, shown.top + 60))
    desk.key('Escape')
    desk.wait(lambda: not desk.find_top(cls='MolvaneAide'), 'Échap closes the help')
    desk.click(desk.control(tool_dialog(desk), 'Annuler').centre)
    desk.wait(lambda: not tool_dialog(desk), '« Annuler » closes the tool')
    desk.key('alt+f', 'q')
    check(desk.viewer_ended(), 'Alt+F then Q quits: the image is as it was opened', desk)


def browsing_keys_and_full_screen(desk):
    """Espace, Retour arrière, Page suivante and Page précédente go through a folder in its names' natural
    order in one window, round at the end; F11 covers the screen and Échap gives the window back."""
    folder = os.path.join(desk.out_dir, 'dossier')
    os.makedirs(folder)
    for name in ('img1.png', 'img2.bmp', 'img10.png', 'IMG9.jpg'):
        subprocess.run(['convert', CHELSEA, '-resize', '120x80!', os.path.join(folder, name)], check=True)
    desk.start_viewer(os.path.join(folder, 'img1.png'))
    activate(desk, 'img1.png')
    for key, shown, said in (('space', 'img2.bmp', 'Image 2 / 4'), ('space', 'IMG9.jpg', 'Image 3 / 4'),
                             ('Next', 'img10.png', 'Image 4 / 4'), ('space', 'img1.png', 'Fin du dossier'),
                             ('BackSpace', 'img10.png', 'Début du dossier'), ('Prior', 'IMG9.jpg', 'Image 3 / 4')):
        desk.key(key)
        desk.wait(lambda: [i.text for i in desk.images()] == [shown], '%s shows %s in the same window' % (key, shown))
        check(said in hint(desk), '%s: the status bar says %r, not %r' % (key, said, hint(desk)), desk)
    before = desk.frame().rect
    desk.key('F11', settle=0.8)
    desk.wait(lambda: desk.frame().rect == '0,0,1280,1024', 'F11 covers the screen (%s)' % desk.frame().rect)
    desk.screenshot('plein-ecran')
    desk.key('Escape', settle=0.8)
    desk.wait(lambda: desk.frame().rect == before, 'Échap gives the window back where it was (%s, then %s)' %
              (before, desk.frame().rect))
    desk.screenshot('fenetre-rendue')


def toolbar_by_mouse(desk):
    """The toolbar clicked: undo and redo of a tool's change, zoom in; a button says in French what it does;
    Affichage > Barre d'outils hides it and shows it again."""
    undo, redo, save, zoom_in, rotate_left = 200, 201, 101, 302, 650
    desk.start_viewer(CHELSEA)
    activate(desk, 'chelsea.png')
    pick_menu(desk, 'Divers', 1, False)
    desk.wait(lambda: image(desk, 'chelsea.png').text.endswith('*'), 'the noise reduction changes the image')
    desk.wait(lambda: 'disabled' not in desk.buttons()[undo].flags, 'the undo button comes alive')
    check('disabled' in desk.buttons()[redo].flags and 'disabled' not in desk.buttons()[rotate_left].flags,
          'redo is greyed, the rotation alive', desk)
    desk.screenshot('barre-outils')
    desk.click(desk.buttons()[undo].centre)
    desk.wait(lambda: image(desk, 'chelsea.png').text == 'chelsea.png', 'the undo button undoes')
    desk.click(desk.buttons()[redo].centre)
    desk.wait(lambda: image(desk, 'chelsea.png').text == 'chelsea.png *', 'the redo button redoes')
    before = zoom_text(desk)
    desk.click(desk.buttons()[zoom_in].centre)
    check(zoom_text(desk) > before, 'the zoom button zooms in', desk)
    desk.move(desk.buttons()[save].centre)
    desk.move((desk.buttons()[save].centre[0] + 2, desk.buttons()[save].centre[1] + 1))
    desk.wait(lambda: desk.find_top(cls='tooltips_class32', text='Enregistrer (Ctrl+S)'),
              'the save button says what it does')
    desk.screenshot('info-bulle')
    for shown in (False, True):
        desk.key('alt+a', 'b')
        desk.wait(lambda: bool(desk.buttons()) == shown, 'Affichage > Barre d\'outils %s it' %
                  ('shows' if shown else 'hides'))
    desk.key('alt+f', 'q')
    answer(desk, 'Ne pas enregistrer')
    check(desk.viewer_ended(), 'quitting ends once the question is answered', desk)


def selection_part(desk):
    parts = desk.status()
    return parts[4] if len(parts) > 4 else ''


def selection_and_before_after(desk):
    """A selection drawn with the mouse, a square with Shift, dropped by Échap; then the image before
    the noise reduction while "<" or the middle button is held."""
    desk.start_viewer(CHELSEA)
    desk.key('ctrl+1')
    x, y = image(desk, 'chelsea.png').centre  # the 451 x 300 picture is centred in the window
    desk.xdotool('mousemove', x - 100, y - 60, 'mousedown', 1, 'mousemove', x - 20, y - 10, 'mousemove', x + 50,
                 y + 40, 'mouseup', 1)
    desk.wait(lambda: selection_part(desk).endswith('; 150 x 100'), 'a drag draws a selection of 150 x 100 pixels')
    desk.screenshot('selection')
    desk.move((x + 50, y + 40))
    desk.xdotool('keydown', 'shift', 'mousedown', 1, 'mousemove', x + 80, y + 50, 'mousemove', x + 100, y + 60,
                 'mouseup', 1, 'keyup', 'shift')
    desk.wait(lambda: selection_part(desk).endswith('; 200 x 200'),
              'Shift on the corner handle gives a square (%r)' % selection_part(desk))
    desk.screenshot('selection-carree')
    desk.key('Escape')
    desk.wait(lambda: selection_part(desk) == '', 'Échap drops the selection')

    desk.xdotool('keydown', 'less')
    desk.wait(lambda: hint(desk).startswith('Rien à comparer'), 'with no change "<" says there is nothing to compare')
    desk.xdotool('keyup', 'less')
    pick_menu(desk, 'Divers', 1, False)
    desk.wait(lambda: image(desk, 'chelsea.png').text.endswith('*'), 'the noise reduction is applied')
    after = desk.pixels(x - 100, y - 50, 200, 100)
    for hold, let_go, what in ((('keydown', 'less'), ('keyup', 'less'), '"<"'),
                               (('mousedown', 2), ('mouseup', 2), 'the middle button')):
        desk.move((x, y))
        desk.xdotool(*hold)
        desk.wait(lambda: hint(desk).startswith('Avant'), '%s held shows the image before' % what)
        check(desk.pixels(x - 100, y - 50, 200, 100) != after, '%s held changes what the window shows' % what, desk)
        desk.screenshot('avant')
        desk.xdotool(*let_go)
        desk.wait(lambda: hint(desk).startswith('Après'), '%s let go shows the image as it is' % what)
        desk.wait(lambda: desk.pixels(x - 100, y - 50, 200, 100) == after, 'the window shows the change again')


SCENARIOS = [every_tool_from_the_menus, two_image_tools_end_with_their_dialog, picking_follows_the_dialog,
             maximise_and_restore, keyboard_and_status_bar, saving_and_quitting, among_other_applications,
             turning_copying_and_help, browsing_keys_and_full_screen, toolbar_by_mouse,
             selection_and_before_after]


def main():
    bin_dir, out_dir, unmanaged, managed = sys.argv[1:5]
    # Names of desktops or scenarios narrow the run.
    wanted = set(sys.argv[5:])
    desktops = wanted & {'unmanaged', 'managed'}
    scenarios = wanted - desktops
    failures = 0
    runs = 0
    for name, prefix, wm in (('unmanaged', unmanaged, False), ('managed', managed, True)):
        for scenario in SCENARIOS:
            if (desktops and name not in desktops) or (scenarios and scenario.__name__ not in scenarios):
                continue
            runs += 1
            started = time.time()
            try:
                with Desktop(name, bin_dir, os.path.join(out_dir, name, scenario.__name__), prefix, wm) as desk:
                    scenario(desk)
                print('ok   %-9s %s (%.1f s)' % (name, scenario.__name__, time.time() - started), flush=True)
            except Exception as error:  # a failure of one scenario must not hide the others'
                failures += 1
                print('FAIL %-9s %s: %s' % (name, scenario.__name__, error), flush=True)
                if not isinstance(error, StepFailed):
                    traceback.print_exc()
    print('%d passed, %d failed' % (runs - failures, failures))
    return 1 if failures or not runs else 0


if __name__ == '__main__':
    sys.exit(main())
