#!/usr/bin/python3
"""The site page in headless Chromium on a 360 × 640 phone, as a person at the paver uses it.

site_browser.py URL CODE COUNT [SCREENSHOT_DIR]
Pairs with CODE, chooses the day the page offers, and checks that the temperature and 記録 are
then on the first screen, without scrolling (again after a reload, the choice kept). Enters
COUNT readings, and halfway asks the test
that runs it to stop the server (prints STOP, waits for a line on standard input), enters a few
readings while it is away, checks that the page says how many wait, asks for it back (START)
and waits until everything is sent. Then one more reading while the server is away, which the
office refuses once back (RENAME: the test renames the mix and starts the server; RESTORE:
the old name again): it stays marked until deleted. A deletion is asked first: やめる keeps the
reading, 削除する deletes it. Prints DONE and exits 0, or a reason and exits 1.
"""
import os
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

url, code, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
shots = sys.argv[4] if len(sys.argv) > 4 else ''


def tell(line):
    print(line, flush=True)


def ask(line):
    tell(line)
    answer = sys.stdin.readline().strip()
    if not answer:
        raise SystemExit('no answer to ' + line)


profile = tempfile.mkdtemp(prefix='ondo-chromium-')
options = webdriver.ChromeOptions()
options.binary_location = '/usr/bin/chromium'
for flag in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--user-data-dir=' + profile, '--lang=ja'):
    options.add_argument(flag)
# A small phone's screen: headless windows are no narrower than 500 pixels.
options.add_experimental_option('mobileEmulation',
                                {'deviceMetrics': {'width': 360, 'height': 640, 'pixelRatio': 1}})
driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
wait = WebDriverWait(driver, 30, poll_frequency=0.1)


def labelled(text):
    """The control a <label for> or an aria-label names, as a screen reader finds it."""
    found = driver.execute_script(
        'const t = arguments[0];'
        'for (const l of document.querySelectorAll("label[for]"))'
        '  if (l.textContent.trim() === t) return document.getElementById(l.htmlFor);'
        'return document.querySelector(\'[aria-label="\' + t + \'"]\');', text)
    if found is None:
        raise LookupError('nothing is labelled ' + text)
    return found


def button(text):
    """The one button of that caption the person can see and tap."""
    shown = [b for b in driver.find_elements(By.XPATH, '//button[normalize-space()="%s"]' % text)
             if b.is_displayed()]
    if len(shown) != 1:
        raise LookupError('%d buttons %s are shown' % (len(shown), text))
    return shown[0]


def on_first_screen():
    """The page is not scrolled and the temperature and 記録 lie wholly inside the viewport."""
    return driver.execute_script(
        'const inside = (e) => { const r = e.getBoundingClientRect();'
        '  return r.height > 0 && r.top >= 0 && r.bottom <= window.innerHeight; };'
        'return window.scrollY === 0 && inside(arguments[0]) && inside(arguments[1]);',
        labelled('温度'), button('記録'))


def waiting_text():
    return driver.find_element(By.ID, 'waiting').text if driver.find_element(
        By.ID, 'waiting').is_displayed() else ''


def enter(temperature, truck):
    # The page empties the temperature after each load and keeps the truck for the next one.
    temp, car, record = labelled('温度'), labelled('車番'), button('記録')
    temp.send_keys(temperature)
    car.send_keys(Keys.CONTROL, 'a', Keys.NULL, truck)
    record.click()


try:
    driver.get(url)
    wait.until(lambda d: labelled('ペアリングコード').is_displayed())
    if shots:
        driver.save_screenshot(os.path.join(shots, 'site-pairing.png'))
    labelled('ペアリングコード').send_keys(code)
    button('接続').click()
    wait.until(lambda d: labelled('温度').is_displayed())
    wait.until(lambda d: len(Select(labelled('区分')).options) > 0)
    # A first visit opens the choices; once chosen they fold, and the day's entry fits.
    if not driver.find_element(By.ID, 'choose').get_property('open'):
        raise AssertionError('the choices are folded before anything was chosen')
    for name in ('工事', '合材', '区分'):
        Select(labelled(name)).select_by_index(0)  # each a select filled from the registers
    button('この内容で入力する').click()
    wait.until(lambda d: on_first_screen())

    half = count // 2
    away = min(5, count - half)
    for i in range(half):
        enter(str(150 + i % 10), 'T-%d' % (i + 1))
    wait.until(lambda d: waiting_text() == '')

    # 削除する asks in the page first; やめる keeps the reading.
    driver.find_element(By.CSS_SELECTOR, '#recent li button').click()
    button('削除する').click()
    question = driver.find_element(By.ID, 'edit-ask')
    wait.until(lambda d: question.is_displayed())
    if '削除しますか' not in question.text:
        raise AssertionError('deleting does not ask: ' + question.text)
    button('やめる').click()
    wait.until(lambda d: not question.is_displayed())
    button('やめる').click()  # the correction too
    wait.until(lambda d: not d.find_element(By.ID, 'edit').is_displayed())
    if waiting_text() != '' or driver.find_element(By.ID, 'count').text != str(half):
        raise AssertionError('やめる did not keep the reading')

    ask('STOP')
    for i in range(half, half + away):
        enter(str(150 + i % 10), 'T-%d' % (i + 1))
    wait.until(lambda d: waiting_text() == '未送信 %d 件' % away)
    if shots:
        driver.save_screenshot(os.path.join(shots, 'site-waiting.png'))
    ask('START')
    WebDriverWait(driver, 60, poll_frequency=0.1).until(lambda d: waiting_text() == '')
    for i in range(half + away, count):
        enter(str(150 + i % 10), 'T-%d' % (i + 1))
    WebDriverWait(driver, 60, poll_frequency=0.1).until(
        lambda d: waiting_text() == '' and d.find_element(By.ID, 'count').text == str(count))

    # A reading the office refuses as it is (its mix was renamed there while the phone was
    # away) stays on the page marked 送れません, through a reload, until the person deletes it.
    ask('STOP')
    enter('155', 'T-X')
    wait.until(lambda d: waiting_text() == '未送信 1 件')
    ask('RENAME')
    wait.until(lambda d: waiting_text() == '送れません 1 件')
    refused = driver.find_element(By.CSS_SELECTOR, '#recent li.refused')
    if '送れません' not in refused.text or '合材「' not in refused.text:
        raise AssertionError('the refused reading does not say why: ' + refused.text)
    ask('RESTORE')
    driver.refresh()
    wait.until(lambda d: labelled('温度').is_displayed())
    wait.until(lambda d: waiting_text() == '送れません 1 件')
    if not on_first_screen():
        raise AssertionError('the kept choice leaves the temperature or 記録 off the first screen')
    driver.find_element(By.CSS_SELECTOR, '#recent li.refused button').click()
    button('削除する').click()
    wait.until(lambda d: d.find_element(By.ID, 'edit-ask').is_displayed())
    button('削除する').click()
    wait.until(lambda d: waiting_text() == '' and not d.find_elements(By.CSS_SELECTOR, '#recent li.refused'))
    if driver.find_element(By.ID, 'count').text != str(count):
        raise AssertionError('the refused reading was stored')
    if shots:
        driver.execute_script('window.scrollTo(0, 0)')
        driver.save_screenshot(os.path.join(shots, 'site-entry.png'))
    tell('DONE')
except Exception as e:  # the reason goes to the test's log
    tell('FAILED %s: %s' % (type(e).__name__, e))
    sys.exit(1)
finally:
    driver.quit()
